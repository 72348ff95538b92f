#pragma once
// INI files and queries with the values Windows' GetPrivateProfileString gives for them (found by
// running it), shared by the portable test and the Windows-only comparison.
#include <string>

struct IniReadCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    const char* expected;  // kIniMissing: the caller's default comes back
};

inline constexpr const char* kIniMissing = "<missing>";

inline const IniReadCase kIniReadCases[] = {
    {"double quotes dropped", "[s]\r\nq=\"quoted value\"\r\n", "s", "q", "quoted value"},
    {"single quotes dropped", "[s]\r\nq='single'\r\n", "s", "q", "single"},
    {"only the outer pair", "[s]\nq=\"\"x\"\"\n", "s", "q", "\"x\""},
    {"quote opened only", "[s]\nq=\"open\n", "s", "q", "\"open"},
    {"quote closed only", "[s]\nq=open\"\n", "s", "q", "open\""},
    {"unlike quotes kept", "[s]\nq=\"a'\n", "s", "q", "\"a'"},
    {"quotes inside kept", "[s]\nq=a\"b\"c\n", "s", "q", "a\"b\"c"},
    {"first and last quote", "[s]\nq=\"a\"b\"\n", "s", "q", "a\"b"},
    {"blanks inside quotes kept", "[s]\nq=\" in \"\n", "s", "q", " in "},
    {"blanks outside quotes dropped", "[s]\nq=  \"x\"  \n", "s", "q", "x"},
    {"empty quotes", "[s]\nq=\"\"\n", "s", "q", ""},
    {"one quote alone", "[s]\nq=\"\n", "s", "q", "\""},
    {"first of duplicate keys", "[s]\nk=first\nk=second\n", "s", "k", "first"},
    {"first of duplicate sections", "[s]\na=1\n[t]\n[S]\na=3\nb=2\n", "s", "a", "1"},
    {"later duplicate section unread", "[s]\na=1\n[t]\n[s]\nb=2\n", "s", "b", kIniMissing},
    {"blanks around key and value", "[s]\n  k2 = v2 \n", "s", "k2", "v2"},
    {"blanks around the queried key", "[s]\nk2=v2\n", "s", " k2 ", "v2"},
    {"tabs around key and value", "[s]\nk\t=\tv\t\n", "s", "k", "v"},
    {"blanks inside a value kept", "[s]\nx =  1 2  \n", "s", "x", "1 2"},
    {"blanks around a section name", "  [ t ]  \na=spaced\n", "t", "a", "spaced"},
    {"blanks around the queried section", "[s]\nq=1\n", " s ", "q", "1"},
    {"blanks inside a section name kept", "[sp  in]\nf=2\n", "sp in", "f", kIniMissing},
    {"key case ignored", "[s]\nK3=Upper\n", "s", "k3", "Upper"},
    {"section case ignored", "[Sec]\nq=1\n", "sEC", "Q", "1"},
    {"semicolon starts a key name", "[s]\n;c=comment\n", "s", ";c", "comment"},
    {"semicolon line hides nothing", "[s]\n;c=comment\n", "s", "c", kIniMissing},
    {"hash starts a key name", "[s]\n#h=hash\n", "s", "#h", "hash"},
    {"semicolon inside a value kept", "[s]\nk=a ; not comment\n", "s", "k", "a ; not comment"},
    {"empty value is not missing", "[s]\nEmpty=\n", "s", "empty", ""},
    {"missing key", "[s]\nk=1\n", "s", "other", kIniMissing},
    {"missing section", "[s]\nk=1\n", "none", "k", kIniMissing},
    {"line without equals sign", "[s]\nnoeq\n", "s", "noeq", kIniMissing},
    {"equals sign in a value", "[s]\nx==eq\n", "s", "x", "=eq"},
    {"CR LF lines", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n", "b", "k", "2"},
    {"CR lines", "[a]\rk=1\r[b]\rk=2\r", "b", "k", "2"},
    {"UTF-8 value", "\xEF\xBB\xBF[s]\nu=\xE4\xB8\xAD\xE6\x96\x87\n", "s", "u",
     "\xE4\xB8\xAD\xE6\x96\x87"},
    {"section line without bracket skipped", "[T2]\nb=1\n[u\nc=bad\n", "t2", "c", "bad"},
    {"section name ends at the last bracket", "[a]b]\nx=1\n", "a]b", "x", "1"},
    {"keys before any section", "k=before\n[s]\nk=v\n", "", "k", "before"},
};
