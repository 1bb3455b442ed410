#include "platform/file_replacement.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

using namespace platform;

namespace {

constexpr uid_t nobody = 65534;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(keine Datei)");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct stat statOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

bool replace(const QString& path, const QByteArray& bytes) {
    FileReplacement file;
    return file.open(path) && file.write(bytes.constData(), bytes.size()) && file.commit();
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// An ACL giving user nobody read and write, in the kernel's format.
QByteArray aclForNobody() {
    struct Entry {
        uint16_t tag, perm;
        uint32_t id;
    };
    const uint32_t version = 2;
    const Entry entries[] = {{0x01, 6, uint32_t(-1)},
                             {0x02, 6, nobody},
                             {0x04, 4, uint32_t(-1)},
                             {0x10, 6, uint32_t(-1)},
                             {0x20, 4, uint32_t(-1)}};
    QByteArray acl(reinterpret_cast<const char*>(&version), sizeof version);
    acl.append(reinterpret_cast<const char*>(entries), sizeof entries);
    return acl;
}

// Files beyond a size cannot grow, as on a full disk, while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before_{};
    void (*previous_)(int) = nullptr;
};

} // namespace

TEST(FileReplacement, OnlyAnOrdinaryFileOfTheUserWithOneNameIsReplacedByRename) {
    const FileFacts plain{S_IFREG | 0644, 1000, 100, 1, false};
    EXPECT_TRUE(replaceableByRename(plain, 1000, 100));
    EXPECT_FALSE(replaceableByRename(plain, 0, 100)) << "another user's file";
    EXPECT_FALSE(replaceableByRename(plain, 1000, 0)) << "a group a new file would not get";
    for (mode_t bit : {S_ISUID, S_ISGID, S_ISVTX}) {
        FileFacts f = plain;
        f.mode |= bit;
        EXPECT_FALSE(replaceableByRename(f, 1000, 100)) << bit;
    }
    FileFacts linked = plain;
    linked.links = 2;
    EXPECT_FALSE(replaceableByRename(linked, 1000, 100));
    FileFacts attributes = plain;
    attributes.extendedAttributes = true;
    EXPECT_FALSE(replaceableByRename(attributes, 1000, 100));
    FileFacts fifo = plain;
    fifo.mode = S_IFIFO | 0644;
    EXPECT_FALSE(replaceableByRename(fifo, 1000, 100));
}

// A file that is more than its text keeps its inode, and with it its owner, set-gid bit, other
// name, ACL and attributes; a plain one is replaced by a new inode. Longer and shorter texts.
TEST(FileReplacement, AFileThatIsMoreThanItsTextIsWrittenIntoAndKeepsWhatItIs) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("liste.csv"));
    const QByteArray path8 = QFile::encodeName(path);
    const auto exportTwice = [&](const char* what, int names = 1) {
        const ino_t inode = statOf(path).st_ino;
        for (const QByteArray& text : {QByteArray(70000, 'x'), QByteArray("kurz\r\n")}) {
            ASSERT_TRUE(replace(path, text)) << what;
            EXPECT_EQ(readAll(path), text) << what;
        }
        EXPECT_EQ(statOf(path).st_ino, inode) << what;
        EXPECT_EQ(entries(dir.path()).size(), names) << what;
    };

    writeAll(path, "alt\r\n");
    const ino_t plainInode = statOf(path).st_ino;
    ASSERT_TRUE(replace(path, "neu\r\n"));
    EXPECT_NE(statOf(path).st_ino, plainInode);

    ASSERT_EQ(::chmod(path8.constData(), 02664), 0);
    exportTwice("set-gid");
    EXPECT_EQ(statOf(path).st_mode & 07777, 02664u);
    ASSERT_EQ(::chmod(path8.constData(), 0644), 0);

    const QString other = dir.filePath(QStringLiteral("anderer Name.csv"));
    ASSERT_EQ(::link(path8.constData(), QFile::encodeName(other).constData()), 0);
    exportTwice("zweiter Name", 2);
    EXPECT_EQ(readAll(other), "kurz\r\n");
    ASSERT_TRUE(QFile::remove(other));

    std::string skipped;
    if (::setxattr(path8.constData(), "user.herkunft", "Messplatz 2", 11, 0) == 0) {
        exportTwice("Attribut");
        char value[32] = {};
        EXPECT_EQ(::getxattr(path8.constData(), "user.herkunft", value, sizeof value), 11);
        EXPECT_STREQ(value, "Messplatz 2");
        ASSERT_EQ(::removexattr(path8.constData(), "user.herkunft"), 0);
    } else {
        skipped += std::string(" attributes: ") + std::strerror(errno);
    }

    const QByteArray acl = aclForNobody();
    if (::setxattr(path8.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) ==
        0) {
        exportTwice("ACL");
        QByteArray kept(acl.size(), '\0');
        EXPECT_EQ(::getxattr(path8.constData(), "system.posix_acl_access", kept.data(), size_t(kept.size())),
                  acl.size());
        EXPECT_EQ(kept, acl);
        ASSERT_EQ(::removexattr(path8.constData(), "system.posix_acl_access"), 0);
    } else {
        skipped += std::string(" ACL: ") + std::strerror(errno);
    }

    // Root, as in CI, can give the file to another group and another user.
    if (::chown(path8.constData(), ::geteuid(), nobody) == 0) {
        exportTwice("Gruppe");
        EXPECT_EQ(statOf(path).st_gid, nobody);
        ASSERT_EQ(::chown(path8.constData(), nobody, nobody), 0);
        exportTwice("nobody");
        EXPECT_EQ(statOf(path).st_uid, nobody);
        EXPECT_EQ(statOf(path).st_gid, nobody);
    } else {
        skipped += " another owner: not root";
    }
    if (!skipped.empty())
        GTEST_SKIP() << "refused:" << skipped;
}

// In a shared sticky folder only a file's owner may rename over it: another user's writable
// file is written into. A child process acts as user nobody (needs root, as in CI).
TEST(FileReplacement, AnotherUsersFileInASharedStickyFolderIsWrittenInto) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString shared = dir.filePath(QStringLiteral("gemeinsam"));
    ASSERT_TRUE(QDir().mkdir(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QString path = shared + QStringLiteral("/liste.csv");
    writeAll(path, "alt\r\n");
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 4321, 4321), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(255);
        FileReplacement file;
        const bool done = file.open(path) && file.write("neu\r\n", 5) && file.commit();
        ::_exit(done ? 0 : file.error());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << std::strerror(WEXITSTATUS(status));
    EXPECT_EQ(readAll(path), "neu\r\n");
    EXPECT_EQ(statOf(path).st_uid, 4321u);
    EXPECT_EQ(entries(shared), QStringList{QStringLiteral("liste.csv")});
}

// The temporary file's name keeps within the folder's limit however long the file's is (in
// bytes; a temporary name may end inside a character).
TEST(FileReplacement, EveryLengthOfNameTheFolderAllowsCanBeReplaced) {
    QTemporaryDir dir;
    QStringList names;
    for (int length : {1, 200, 248, 249, 250, 254, 255})
        names << QString(length, u'n');
    names << QStringLiteral("x") + QString(125, u'ä') + QStringLiteral(".csv");
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        const auto bytes = QFile::encodeName(name).size();
        ASSERT_TRUE(replace(path, "neu\r\n")) << bytes << " bytes, new";
        writeAll(path, "alt\r\n");
        ASSERT_TRUE(replace(path, "ersetzt\r\n")) << bytes << " bytes";
        EXPECT_EQ(readAll(path), "ersetzt\r\n") << bytes << " bytes";
        EXPECT_EQ(entries(dir.path()), QStringList{name}) << bytes << " bytes";
        ASSERT_TRUE(QFile::remove(path));
    }
}

// A write that fails, while the text is written or while the commit copies it into the file,
// leaves the earlier file as it was and no file of its own; without an earlier file, none.
TEST(FileReplacement, AFailedWriteLeavesTheEarlierFileOrNone) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("liste.csv"));
    const QByteArray earlier(3000, 'a');
    const QByteArray text(50000, 'n');
    const auto failWhileWriting = [&](FileReplacement::Left left) {
        FileReplacement file;
        ASSERT_TRUE(file.open(path));
        FileSizeLimit full(10000);
        EXPECT_FALSE(file.write(text.constData(), text.size()));
        EXPECT_EQ(file.error(), EFBIG);
        EXPECT_EQ(file.left(), left);
    };
    failWhileWriting(FileReplacement::Left::Nothing);
    EXPECT_TRUE(entries(dir.path()).isEmpty()) << entries(dir.path()).join(u' ').toStdString();

    writeAll(path, earlier);
    failWhileWriting(FileReplacement::Left::Earlier);
    EXPECT_EQ(readAll(path), earlier);

    // Written into, as a file with a second name is: the text fits its temporary copy, but the
    // file cannot grow to take it.
    const QString other = dir.filePath(QStringLiteral("zweiter Name"));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
    failWhileWriting(FileReplacement::Left::Earlier);
    FileReplacement file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(file.write(text.constData(), text.size()));
    {
        FileSizeLimit full(10000);
        EXPECT_FALSE(file.commit());
    }
    EXPECT_EQ(file.error(), EFBIG);
    EXPECT_EQ(file.left(), FileReplacement::Left::Earlier);
    EXPECT_EQ(readAll(path), earlier);
    EXPECT_EQ(readAll(other), earlier);
    EXPECT_EQ(entries(dir.path()).size(), 2);
}
