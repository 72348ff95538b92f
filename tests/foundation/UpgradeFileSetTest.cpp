#include <gtest/gtest.h>

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
    // 2-byte and 3-byte UTF-8 characters placed so that byte 127 falls inside a character.
    const std::string twoByte = "\xC3\xA9";        // é
    const std::string threeByte = "\xE5\x8D\x87";  // 升
    struct Case {
        std::string name;
        std::string field;
    };
    std::vector<Case> cases = {
        {std::string(127, 'a'), std::string(127, 'a')},
        {std::string(128, 'b'), std::string(127, 'b')},
        {std::string(200, 'c'), std::string(127, 'c')},
        {std::string(126, 'd') + twoByte + "x", std::string(126, 'd')},
        {std::string(125, 'e') + twoByte + "x", std::string(125, 'e') + twoByte},
        {std::string(125, 'f') + threeByte, std::string(125, 'f')},
        {std::string(124, 'g') + threeByte + "x", std::string(124, 'g') + threeByte},
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

TEST(UpgradeFileSetTest, RefusedFilesKeepTheirPlaceServeNothingAndSayWhy) {
    const std::string bytes = Pattern(700);
    std::string changed = bytes;
    changed[350] = static_cast<char>(changed[350] ^ 1);
    using P = UpgradeFileProblem;
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<std::string> companion;  // none: no companion file
        P problem;
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
        WriteUpgradeFile(dir.file("a.bin"), Pattern(100));
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
        ASSERT_TRUE(set.LoadFolder(dir.path())) << c.what;
        ASSERT_EQ(set.GetFileCount(), 2) << c.what;
        EXPECT_EQ(set.GetPieceCount(1), 1) << c.what;
        const std::vector<UpgradeFileRefusal> refused = set.Refusals();
        int length = 0;
        if (c.problem == P::kNone) {
            EXPECT_TRUE(refused.empty()) << c.what;
            EXPECT_EQ(PieceText(set, 2, 0, length).substr(128, 32), digest) << c.what;
            continue;
        }
        ASSERT_EQ(refused.size(), 1u) << c.what;
        EXPECT_EQ(refused[0].fileSerial, 2) << c.what;
        EXPECT_EQ(refused[0].path, dir.file("b.bin")) << c.what;
        EXPECT_EQ(refused[0].problem, c.problem) << c.what;
        EXPECT_EQ(set.GetServedFileCount(), 1) << c.what;
        EXPECT_EQ(set.GetPieceCount(2), 0) << c.what;
        EXPECT_EQ(PieceText(set, 2, 0, length), "<none>") << c.what;
        EXPECT_EQ(PieceText(set, 2, 1, length), "<none>") << c.what;
        // The failed last file can never report the upgrade finished.
        EXPECT_FALSE(set.IsLastPiece(2, 0)) << c.what;
        EXPECT_FALSE(set.IsLastPiece(1, 1)) << c.what;
        EXPECT_EQ(set.GetProgress(1, 1), 100) << c.what;
        std::string trace = ReadLogText(logs.file("Trace.log"));
        EXPECT_NE(trace.find("Md5 File Error"), std::string::npos) << c.what << ": " << trace;
    }
}

TEST(UpgradeFileSetTest, RefusesFilesTooLargeForTheCountField) {
    ScopedLogDir logs;
    TempDir dir;
    const std::uintmax_t limit = 65535ull * 512;
    // Sparse files: the size counts, not what is on disk.
    WriteFirmware(dir.file("fits.bin"), "x" + std::string(limit - 1, '\0'));
    WriteFileBytes(dir.file("huge.bin.md5"), kDigest);
    WriteFileBytes(dir.file("huge.bin"), "x");
    fs::resize_file(dir.file("huge.bin"), limit + 1);
    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    ASSERT_EQ(set.GetFileCount(), 2);
    EXPECT_EQ(set.GetPieceCount(1), 65535);
    int length = 0;
    const std::uint8_t* data = nullptr;
    ASSERT_TRUE(set.GetPiece(1, 65535, length, data));
    EXPECT_EQ(length, 512);
    EXPECT_EQ(set.GetPieceCount(2), 0);
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
