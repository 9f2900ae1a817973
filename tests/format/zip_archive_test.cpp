#include "format/zip_archive.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/test_support.h"
#include "support/zip_samples.h"

namespace mirvo {
namespace {

using test::Sjis;
using test::ZipBytes;
using test::ZipEntry;

std::shared_ptr<const ZipArchive> Open(std::string bytes) {
    Result<std::shared_ptr<const ZipArchive>> r = ZipArchive::FromBytes(std::move(bytes), "b.zip");
    if (!r) {
        ADD_FAILURE() << "refused: " << r.GetProblem().detail;
        return nullptr;
    }
    return r.Value();
}

std::string Text(int bytes) {
    std::string s;
    for (int i = 0; s.size() < static_cast<std::size_t>(bytes); ++i) s += std::to_string(i) + " ";
    return s.substr(0, bytes);
}

// The book each archive is read as, by the name of its member ("" when none).
struct BookCase {
    const char* name;
    std::vector<ZipEntry> entries;
    std::string book;
};

const BookCase kBooks[] = {
    {"plain book", {{"kumo.txt", "text"}}, "kumo.txt"},
    {"book in a folder with pictures",
     {{"kumo/", ""}, {"kumo/fig1.png", "png"}, {"kumo/kumo.txt", "text"}},
     "kumo/kumo.txt"},
    {"two texts: the first in the archive's order",
     {{"b.txt", "first"}, {"a.txt", "second"}},
     "b.txt"},
    {"extension in capitals", {{"README.md", "x"}, {"BOOK.TXT", "text"}}, "BOOK.TXT"},
    {"macOS copies left out", {{"__MACOSX/._a.txt", "x"}, {"a.txt", "text"}}, "a.txt"},
    {"no text", {{"fig1.png", "png"}, {"notes.txt/", ""}}, ""},
    {"empty archive", {}, ""},
};

TEST(ZipArchiveBook, FirstTextInArchiveOrder) {
    for (const BookCase& c : kBooks) {
        const auto archive = Open(ZipBytes(c.entries));
        ASSERT_TRUE(archive) << c.name;
        const ZipMember* book = archive->BookText();
        EXPECT_EQ(book ? book->name : "", c.book) << c.name;
    }
    // An empty file is an archive of nothing: it has no book either.
    EXPECT_EQ(Open("")->BookText(), nullptr);
}

TEST(ZipArchiveRead, MembersByNameAndContents) {
    const std::string big = Text(300000);
    const auto archive = Open(ZipBytes({{"book/story.txt", big},
                                        {"book/stored.bmp", "BMxx", true},
                                        {Sjis("book/挿絵.png"), "png", false, true}}));
    ASSERT_TRUE(archive);
    ASSERT_EQ(archive->Members().size(), 3u);
    // A CP932 name is found by its UTF-8 form; a name in other capitals as well.
    for (const char* name : {"book/story.txt", "BOOK/Story.TXT", "book/挿絵.png"}) {
        EXPECT_NE(archive->Find(name), nullptr) << name;
    }
    EXPECT_EQ(archive->Find("book/none.png"), nullptr);
    EXPECT_EQ(archive->Read(*archive->Find("book/story.txt"), 1 << 20).Value(), big);
    EXPECT_EQ(archive->Read(*archive->Find("book/stored.bmp"), 4).Value(), "BMxx");
    EXPECT_EQ(archive->Read(*archive->Find("book/挿絵.png"), 100).Value(), "png");
}

// Archives and members that must be refused, and why.
struct RefusedCase {
    const char* name;
    std::function<std::string()> bytes;
    ProblemKind atOpen;  // None: the archive opens, and reading "a.txt" is refused
    ProblemKind atRead = ProblemKind::None;
    std::uint64_t cap = 1 << 20;
};

std::string Book(int bytes) {
    return ZipBytes({{"a.txt", Text(bytes)}, {"b.txt", "other"}});
}

const RefusedCase kRefused[] = {
    {"not an archive", [] { return std::string("plain text, no archive"); },
     ProblemKind::ArchiveNotZip},
    {"cut short",
     [] {
         const std::string z = Book(5000);
         return z.substr(0, z.size() - 30);
     },
     ProblemKind::ArchiveDamaged},
    {"damaged central directory",
     [] {
         std::string z = Book(5000);
         z[test::Signatures(z, "PK\1\2").at(1) + 2] = 'X';
         return z;
     },
     ProblemKind::ArchiveDamaged},
    {"member over the cap", [] { return Book(5000); }, ProblemKind::None,
     ProblemKind::ArchiveMemberTooLarge, 4999},
    {"stated size smaller than the data", [] { return test::WithStatedSize(Book(5000), 0, 100); },
     ProblemKind::None, ProblemKind::ArchiveMemberSizeMismatch},
    {"stated size larger than the data", [] { return test::WithStatedSize(Book(5000), 0, 6000); },
     ProblemKind::None, ProblemKind::ArchiveMemberSizeMismatch},
    // A gigabyte from a few hundred packed bytes: beyond deflate, refused unread.
    {"stated ratio beyond deflate", [] { return test::WithStatedSize(Book(5000), 0, 1u << 30); },
     ProblemKind::None, ProblemKind::ArchiveMemberBomb, std::uint64_t{2} << 30},
    {"encrypted member", [] { return test::WithEncryptedFlag(Book(5000), 0); }, ProblemKind::None,
     ProblemKind::ArchiveMemberEncrypted},
    {"bad checksum",
     [] {
         std::string z = ZipBytes({{"a.txt", Text(5000), true}, {"b.txt", "other"}});
         z[test::Signatures(z, "PK\3\4").at(0) + 30 + 5 + 100] ^= 1;
         return z;
     },
     ProblemKind::None, ProblemKind::ArchiveMemberDamaged},
};

TEST(ZipArchiveRefusal, DamagedArchivesAndHostileMembers) {
    for (const RefusedCase& c : kRefused) {
        Result<std::shared_ptr<const ZipArchive>> r = ZipArchive::FromBytes(c.bytes(), "b.zip");
        if (c.atOpen != ProblemKind::None) {
            ASSERT_FALSE(r) << c.name;
            EXPECT_EQ(r.GetProblem().kind, c.atOpen) << c.name;
            EXPECT_EQ(r.GetProblem().path, "b.zip") << c.name;
            continue;
        }
        ASSERT_TRUE(r) << c.name << ": " << r.GetProblem().detail;
        const ZipMember* m = r.Value()->Find("a.txt");
        ASSERT_NE(m, nullptr) << c.name;
        const Result<std::string> read = r.Value()->Read(*m, c.cap);
        ASSERT_FALSE(read) << c.name << ": read " << read.Value().size() << " bytes";
        EXPECT_EQ(read.GetProblem().kind, c.atRead) << c.name;
        EXPECT_EQ(read.GetProblem().detail, "a.txt") << c.name;
        // The other member is unharmed.
        EXPECT_EQ(r.Value()->Read(*r.Value()->Find("b.txt"), c.cap).Value(), "other") << c.name;
    }
}

TEST(ZipArchiveOpen, TheBookOfAnArchiveFile) {
    test::TempDir dir;
    const auto book = [&](const std::string& bytes) {
        test::WriteFileBytes(dir.File("b.zip"), bytes);
        return ReadArchiveBook(dir.File("b.zip"));
    };
    const Result<ArchiveBook> plain = book(ZipBytes({{"x/", ""}, {"x/kumo.txt", "text"}}));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain.Value().bytes, "text");
    EXPECT_EQ(plain.Value().member, "x/kumo.txt");
    EXPECT_EQ(book(ZipBytes({{"a.png", "p"}})).GetProblem().kind, ProblemKind::ArchiveNoText);
    EXPECT_EQ(book("PK no archive").GetProblem().kind, ProblemKind::ArchiveDamaged);
    EXPECT_EQ(book("no archive").GetProblem().kind, ProblemKind::ArchiveNotZip);
    // The archive file is read as a book file is: a folder is refused without a wait.
    EXPECT_EQ(ReadArchiveBook(dir.Path()).GetProblem().kind, ProblemKind::BookNotRegular);
    // A text stated over the book limit.
    const Problem over =
        book(test::WithStatedSize(ZipBytes({{"a.txt", "text"}}), 0,
                                  static_cast<std::uint32_t>(kMaxArchiveBytes + 1)))
            .GetProblem();
    EXPECT_EQ(over.kind, ProblemKind::ArchiveMemberTooLarge);
    EXPECT_EQ(over.count, static_cast<long long>(kMaxArchiveBytes));
}

TEST(ZipArchiveNames, JoinedNamesStayInside) {
    const struct {
        const char *folder, *name, *want;
    } cases[] = {
        {"", "fig1.png", "fig1.png"},
        {"book/", "fig1.png", "book/fig1.png"},
        {"book/", "./img/../fig1.png", "book/fig1.png"},
        {"book/", "../fig1.png", "fig1.png"},
        {"book/", "../../fig1.png", ""},
        {"", "a//b.png", "a/b.png"},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinMemberName(c.folder, c.name), c.want) << c.name;
    EXPECT_EQ(MemberFolder("a/b/c.txt"), "a/b/");
    EXPECT_EQ(MemberFolder("c.txt"), "");
    EXPECT_TRUE(IsZipPath("/books/kumo.ZIP"));
    EXPECT_TRUE(IsZipPath("kumo.zip"));
    EXPECT_FALSE(IsZipPath("/books/.zip"));
    EXPECT_FALSE(IsZipPath("/books.zip/kumo.txt"));
    EXPECT_FALSE(IsZipPath("/books/kumo.zip.txt"));
}

}  // namespace
}  // namespace mirvo
