#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "foundation/FileHelpers.h"
#include "foundation/UpgradeFileSet.h"

namespace {

namespace fs = std::filesystem;

// MD5 of "x", and a well-formed digest of nothing here.
const std::string kDigestOfX = "9dd4e461268c8034f5c8564e155c67a6";
const std::string kDigest = "0123456789abcdef0123456789ABCDEF";

// Bytes that differ from piece to piece, so a misplaced offset shows.
std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(1 + (i * 7 + i / 512) % 251);
    }
    return bytes;
}

void WriteUpgradeFile(const std::string& path, const std::string& bytes) {
    WriteFirmware(path, bytes);
}

std::string PieceText(const UpgradeFileSet& set, int serial, int piece, int& length) {
    const std::uint8_t* data = nullptr;
    if (!set.GetPiece(serial, piece, length, data)) {
        return "<none>";
    }
    return std::string(reinterpret_cast<const char*>(data), UpgradeFile::kPieceSize);
}

TEST(UpgradeFileSetTest, CutsFilesIntoZeroPaddedPieces) {
    struct Case {
        std::size_t size;
        int pieces;
        int lastLength;
    };
    for (Case c : {Case{1000, 2, 488}, Case{1024, 2, 512}, Case{1, 1, 1}, Case{512, 1, 512},
                   Case{513, 2, 1}}) {
        ScopedLogDir logs;
        TempDir dir;
        std::string bytes = Pattern(c.size);
        WriteUpgradeFile(dir.file("fw.bin"), bytes);
        UpgradeFileSet set;
        ASSERT_TRUE(set.LoadFolder(dir.path())) << c.size;
        ASSERT_EQ(set.GetFileCount(), 1);
        EXPECT_EQ(set.GetPieceCount(1), c.pieces) << c.size;
        std::string joined;
        for (int k = 1; k <= c.pieces; ++k) {
            int length = 0;
            std::string piece = PieceText(set, 1, k, length);
            EXPECT_EQ(length, k == c.pieces ? c.lastLength : 512) << c.size << " piece " << k;
            joined += piece;
        }
        std::string expected = bytes + std::string(c.pieces * 512 - c.size, '\0');
        EXPECT_EQ(joined, expected) << c.size;
        int length = 0;
        EXPECT_EQ(PieceText(set, 1, c.pieces + 1, length), "<none>");
    }
}

TEST(UpgradeFileSetTest, PieceZeroCarriesNameThenDigestThenZeros) {
    ScopedLogDir logs;
    TempDir dir;
    // A plain 32-byte companion goes out as it stands, upper case included.
    const std::string digest = WriteFirmware(dir.file("firmware.bin"), Pattern(1000), true);
    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    int length = 0;
    std::string piece0 = PieceText(set, 1, 0, length);
    EXPECT_EQ(length, 512);
    std::string expected =
        "firmware.bin" + std::string(128 - 12, '\0') + digest + std::string(512 - 160, '\0');
    EXPECT_EQ(piece0, expected);
}

TEST(UpgradeFileSetTest, LongNamesAreCutBeforeTheDigestField) {
    // Names in other letters go out in the platform's own code page: its tests cut those.
    struct Case {
        std::string name;
        std::string field;
    };
    std::vector<Case> cases = {
        {std::string(127, 'a'), std::string(127, 'a')},
        {std::string(128, 'b'), std::string(127, 'b')},
        {std::string(200, 'c'), std::string(127, 'c')},
    };
    for (const Case& c : cases) {
        ScopedLogDir logs;
        TempDir dir;
        WriteUpgradeFile(dir.file(c.name), "x");
        UpgradeFileSet set;
        ASSERT_TRUE(set.LoadFolder(dir.path()));
        ASSERT_EQ(set.GetPieceCount(1), 1) << c.name.size();
        int length = 0;
        std::string piece0 = PieceText(set, 1, 0, length);
        EXPECT_EQ(piece0.substr(0, 128), c.field + std::string(128 - c.field.size(), '\0'))
            << c.name.size();
        EXPECT_EQ(piece0.substr(128, 32), kDigestOfX) << c.name.size();
    }
}

TEST(UpgradeFileSetTest, ListsBreadthFirstAndSkipsDigestNames) {
    ScopedLogDir logs;
    TempDir dir;
    fs::create_directories(dir.file("sub/deeper"));
    WriteUpgradeFile(dir.file("sub/deeper/app.bin"), Pattern(10));
    WriteUpgradeFile(dir.file("sub/boot.bin"), Pattern(600));
    WriteUpgradeFile(dir.file("firmware.bin"), Pattern(1000));
    WriteUpgradeFile(dir.file("Release_MD5_notes.txt"), "notes");

    std::vector<std::string> listed;
    ListFiles(false, dir.path(), listed);
    EXPECT_EQ(listed.size(), 4u);  // the folder's own files only

    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    ASSERT_EQ(set.GetFileCount(), 3);
    int length = 0;
    EXPECT_EQ(PieceText(set, 1, 0, length).substr(0, 13), std::string("firmware.bin\0", 13));
    EXPECT_EQ(PieceText(set, 2, 0, length).substr(0, 9), std::string("boot.bin\0", 9));
    EXPECT_EQ(PieceText(set, 3, 0, length).substr(0, 8), std::string("app.bin\0", 8));
    EXPECT_EQ(set.GetPieceCount(1), 2);
    EXPECT_EQ(set.GetPieceCount(2), 2);
    EXPECT_EQ(set.GetPieceCount(3), 1);

    // Loading again replaces the set.
    TempDir other;
    WriteUpgradeFile(other.file("only.bin"), "1");
    ASSERT_TRUE(set.LoadFolder(other.path()));
    EXPECT_EQ(set.GetFileCount(), 1);
}

TEST(UpgradeFileSetTest, ProgressAndLastPiece) {
    ScopedLogDir logs;
    TempDir dir;
    fs::create_directories(dir.file("sub"));
    WriteUpgradeFile(dir.file("a.bin"), Pattern(1000));
    WriteUpgradeFile(dir.file("sub/b.bin"), Pattern(512));
    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    struct Case {
        int serial;
        int piece;
        int progress;
        bool last;
    };
    for (Case c :
         {Case{1, 0, 0, false}, Case{1, 1, 33, false}, Case{1, 2, 66, false}, Case{2, 0, 66, false},
          Case{2, 1, 100, true}, Case{2, 2, 0, false}, Case{3, 1, 0, false}, Case{0, 1, 0, false},
          Case{-1, 0, 0, false}, Case{1, -1, 0, false}}) {
        EXPECT_EQ(set.GetProgress(c.serial, c.piece), c.progress) << c.serial << "/" << c.piece;
        EXPECT_EQ(set.IsLastPiece(c.serial, c.piece), c.last) << c.serial << "/" << c.piece;
    }
    for (int serial : {0, 3, -1, 1000}) {
        EXPECT_EQ(set.GetPieceCount(serial), 0) << serial;
        int length = -5;
        const std::uint8_t* data = nullptr;
        EXPECT_FALSE(set.GetPiece(serial, 0, length, data)) << serial;
    }
}

// Every Trace.log entry on a line of its own: a time stamp and a tab at the start of each line,
// and "Md5 File Error" only ever right after them.
void ExpectOneEntryPerLine(const std::string& trace, const char* what) {
    std::size_t start = 0;
    while (start < trace.size()) {
        std::size_t end = trace.find('\n', start);
        ASSERT_NE(end, std::string::npos) << what << ": unterminated entry";
        const std::string line = trace.substr(start, end - start);
        EXPECT_TRUE(line.size() > 20 && line[4] == '-' && line[19] == '\t') << what << ": " << line;
        const std::size_t error = line.find("Md5 File Error");
        EXPECT_TRUE(error == std::string::npos ||
                    (error == 20 && line.find("Md5 File Error", 21) == std::string::npos))
            << what << ": " << line;
        start = end + 1;
    }
}

TEST(UpgradeFileSetTest, OneDamagedFileStopsTheWholeSetAFileWithoutCompanionIsNoPartOfIt) {
    const std::string bytes = Pattern(700);
    std::string changed = bytes;
    changed[350] = static_cast<char>(changed[350] ^ 1);
    using P = UpgradeFileProblem;
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<std::string> companion;  // none: no companion file
        P problem;                             // kNoCompanion: ignored, the rest served
    };
    const std::vector<Case> cases = {
        {"md5sum layout", bytes, "@  b.bin\n", P::kNone},
        {"no companion", bytes, std::nullopt, P::kNoCompanion},
        {"31-byte digest", bytes, std::string(31, 'a'), P::kBadCompanion},
        {"empty companion", bytes, "", P::kBadCompanion},
        {"binary companion", bytes, std::string("\0\x01\xfe\xff", 4) + std::string(40, '\x80'),
         P::kBadCompanion},
        {"one byte changed", changed, "@", P::kDigestMismatch},
        {"stale digest", bytes, kDigest, P::kDigestMismatch},
        {"empty file", "", "d41d8cd98f00b204e9800998ecf8427e", P::kUnreadable},
    };
    for (const Case& c : cases) {
        ScopedLogDir logs;
        TempDir dir;
        // b.bin sits between two good files, so neither its place nor the last one is special.
        WriteUpgradeFile(dir.file("a.bin"), Pattern(100));
        WriteUpgradeFile(dir.file("c.bin"), Pattern(1000));
        // "@" stands for the digest of the original bytes.
        const std::string digest = WriteFirmware(dir.file("b.bin"), bytes);
        WriteFileBytes(dir.file("b.bin"), c.bytes);
        std::filesystem::remove(dir.file("b.bin.md5"));
        if (c.companion) {
            std::string text = *c.companion;
            if (const auto at = text.find('@'); at != std::string::npos) {
                text.replace(at, 1, digest);
            }
            WriteFileBytes(dir.file("b.bin.md5"), text);
        }
        UpgradeFileSet set;
        const bool served = set.LoadFolder(dir.path());
        const std::string trace = ReadLogText(logs.file("Trace.log"));
        ExpectOneEntryPerLine(trace, c.what);
        int length = 0;
        if (c.problem == P::kNone || c.problem == P::kNoCompanion) {
            const bool ignored = c.problem == P::kNoCompanion;
            ASSERT_TRUE(served) << c.what;
            EXPECT_TRUE(set.Refusals().empty()) << c.what;
            EXPECT_EQ(set.Ignored(), ignored ? std::vector<std::string>{dir.file("b.bin")}
                                             : std::vector<std::string>{})
                << c.what;
            // Numbered 1..M without gaps; the last file still finishes the pull.
            const std::vector<std::string> names =
                ignored ? std::vector<std::string>{"a.bin", "c.bin"}
                        : std::vector<std::string>{"a.bin", "b.bin", "c.bin"};
            ASSERT_EQ(set.GetFileCount(), static_cast<int>(names.size())) << c.what;
            for (std::size_t i = 0; i < names.size(); ++i) {
                EXPECT_EQ(PieceText(set, static_cast<int>(i + 1), 0, length).substr(0, 6),
                          names[i] + '\0')
                    << c.what;
            }
            EXPECT_TRUE(set.IsLastPiece(set.GetFileCount(), 2)) << c.what;
            EXPECT_EQ(set.GetProgress(set.GetFileCount(), 2), 100) << c.what;
            EXPECT_EQ(trace.find("Md5 File Error"), std::string::npos) << c.what << ": " << trace;
            continue;
        }
        EXPECT_FALSE(served) << c.what;
        EXPECT_TRUE(set.FolderReadable()) << c.what;
        ASSERT_EQ(set.Refusals().size(), 1u) << c.what;
        EXPECT_EQ(set.Refusals()[0].path, dir.file("b.bin")) << c.what;
        EXPECT_EQ(set.Refusals()[0].problem, c.problem) << c.what;
        EXPECT_TRUE(set.Ignored().empty()) << c.what;
        // Not even the good files are offered.
        EXPECT_EQ(set.GetFileCount(), 0) << c.what;
        EXPECT_FALSE(set.CanServe()) << c.what;
        for (int serial : {1, 2, 3}) {
            EXPECT_EQ(set.GetPieceCount(serial), 0) << c.what;
            EXPECT_EQ(PieceText(set, serial, 0, length), "<none>") << c.what;
            EXPECT_FALSE(set.IsLastPiece(serial, 1)) << c.what;
        }
        EXPECT_NE(trace.find("\tMd5 File Error: " + dir.file("b.bin") + ": "), std::string::npos)
            << c.what << ": " << trace;
    }
}

TEST(UpgradeFileSetTest, FilesThatAreNoFirmwareAreNeitherCountedNorOffered) {
    ScopedLogDir logs;
    TempDir dir;
    fs::create_directories(dir.file("sub"));
    WriteUpgradeFile(dir.file("a.bin"), Pattern(100));
    WriteUpgradeFile(dir.file("sub/b.bin"), Pattern(600));
    // Named as ignored: no companion, or a name about digests.
    WriteFileBytes(dir.file("readme.txt"), "how to flash");
    WriteFileBytes(dir.file("sub/fw.zip"), "PK");
    WriteUpgradeFile(dir.file("Release_MD5_notes.txt"), "notes");
    // Passed over without a word: the shell's own files in any letter case (even with a
    // companion), and a stray companion.
    WriteFileBytes(dir.file("Thumbs.db"), "shell");
    WriteFileBytes(dir.file("Desktop.INI"), "shell");
    WriteUpgradeFile(dir.file("sub/THUMBS.DB"), "shell");
    WriteFileBytes(dir.file("sub/desktop.ini"), "shell");
    WriteFileBytes(dir.file("gone.bin.md5"), kDigest);

    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    EXPECT_TRUE(set.Refusals().empty());
    // In the folder's order, which puts capitals first on Linux only.
    std::vector<std::string> ignored = set.Ignored();
    std::sort(ignored.begin(), ignored.begin() + 2);
    EXPECT_EQ(ignored, (std::vector<std::string>{dir.file("Release_MD5_notes.txt"),
                                                 dir.file("readme.txt"), dir.file("sub/fw.zip")}));
    ASSERT_EQ(set.GetFileCount(), 2);
    int length = 0;
    EXPECT_EQ(PieceText(set, 1, 0, length).substr(0, 6), std::string("a.bin\0", 6));
    EXPECT_EQ(PieceText(set, 2, 0, length).substr(0, 6), std::string("b.bin\0", 6));
    EXPECT_EQ(PieceText(set, 3, 0, length), "<none>");
    EXPECT_TRUE(set.IsLastPiece(2, 2));
    EXPECT_EQ(set.GetProgress(2, 2), 100);
    // The folder's stamp leaves the shell's files out too, so Explorer rewriting its thumbnails
    // is no change of the folder.
    const std::string stamp = FolderStamp(dir.path());
    WriteFileBytes(dir.file("Thumbs.db"), "new thumbnails");
    EXPECT_EQ(FolderStamp(dir.path()), stamp);
    WriteFileBytes(dir.file("readme.txt"), "how to flash, again");
    EXPECT_NE(FolderStamp(dir.path()), stamp);
}

TEST(UpgradeFileSetTest, RefusesFilesTooLargeForTheCountField) {
    ScopedLogDir logs;
    TempDir dir;
    const std::uintmax_t limit = 65535ull * 512;
    WriteFirmware(dir.file("fits.bin"), "x" + std::string(limit - 1, '\0'));
    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    ASSERT_EQ(set.GetFileCount(), 1);
    EXPECT_EQ(set.GetPieceCount(1), 65535);
    int length = 0;
    const std::uint8_t* data = nullptr;
    ASSERT_TRUE(set.GetPiece(1, 65535, length, data));
    EXPECT_EQ(length, 512);

    // Sparse: the size counts, not what is on disk.
    WriteFileBytes(dir.file("huge.bin.md5"), kDigest);
    WriteFileBytes(dir.file("huge.bin"), "x");
    fs::resize_file(dir.file("huge.bin"), limit + 1);
    EXPECT_FALSE(set.LoadFolder(dir.path()));
    EXPECT_EQ(set.GetFileCount(), 0);
    ASSERT_EQ(set.Refusals().size(), 1u);
    EXPECT_EQ(set.Refusals()[0].problem, UpgradeFileProblem::kTooLarge);
    std::string trace = ReadLogText(logs.file("Trace.log"));
    EXPECT_NE(trace.find("huge.bin: too large for an upgrade (33553921 bytes"), std::string::npos)
        << trace;
}

TEST(UpgradeFileSetTest, EmptyOrMissingFolderLoadsNothing) {
    ScopedLogDir logs;
    TempDir dir;
    fs::create_directories(dir.file("empty/sub"));
    fs::create_directories(dir.file("digests"));
    WriteFileBytes(dir.file("digests/a.bin.md5"), kDigest);
    UpgradeFileSet set;
    for (const std::string& folder :
         {dir.file("empty"), dir.file("missing"), dir.file("digests"), std::string()}) {
        EXPECT_FALSE(set.LoadFolder(folder)) << folder;
        EXPECT_EQ(set.GetFileCount(), 0) << folder;
        EXPECT_EQ(set.GetProgress(1, 0), 0) << folder;
    }
}

TEST(UpgradeFileSetTest, ReadWholeFileAppendsOneZeroByte) {
    TempDir dir;
    WriteFileBytes(dir.file("f"), "abc");
    std::size_t size = 0;
    auto contents = ReadWholeFile(dir.file("f"), size);
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(*contents, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
    EXPECT_FALSE(ReadWholeFile(dir.file("none"), size).has_value());
    EXPECT_FALSE(ReadWholeFile(dir.path(), size).has_value());
}

}  // namespace
