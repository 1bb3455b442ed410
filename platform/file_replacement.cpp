#include "platform/file_replacement.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace platform {

namespace {

struct Split {
    QByteArray folder;
    QByteArray name;
};

Split split(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {QByteArrayLiteral("."), path};
    return {slash == 0 ? QByteArrayLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

// An ACL is an extended attribute too. Where they cannot be listed, the file may have some.
bool hasExtendedAttributes(const QByteArray& path) {
    const ssize_t n = ::listxattr(path.constData(), nullptr, 0);
    return n != 0 && !(n < 0 && errno == ENOTSUP);
}

bool copyRange(int from, int to, off_t begin, off_t end) {
    char buffer[64 * 1024];
    for (off_t at = begin; at < end;) {
        const ssize_t got = ::pread(from, buffer, size_t(std::min<off_t>(end - at, sizeof buffer)), at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::pwrite(to, buffer + done, size_t(got - done), at + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (put == 0)
                    errno = ENOSPC;
                return false;
            }
            done += put;
        }
        at += got;
    }
    return true;
}

} // namespace

bool replaceableByRename(const FileFacts& file, uid_t user, gid_t newGroup) {
    return S_ISREG(file.mode) && (file.mode & (S_ISUID | S_ISGID | S_ISVTX)) == 0 && file.owner == user &&
           file.group == newGroup && file.links == 1 && !file.extendedAttributes;
}

QByteArray finalPath(const QByteArray& path) {
    QByteArray p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(p.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return {};
        target.truncate(n);
        if (!target.startsWith('/')) {
            const qsizetype slash = p.lastIndexOf('/');
            if (slash >= 0)
                target.prepend(p.left(slash + 1));
        }
        p = target;
    }
    errno = ELOOP;
    return {};
}

bool sameFile(const QString& a, const QString& b) {
    const QByteArray pa = QFile::encodeName(a);
    const QByteArray pb = QFile::encodeName(b);
    if (pa.isEmpty() || pb.isEmpty())
        return false;
    struct stat sa {};
    struct stat sb {};
    if (::stat(pa.constData(), &sa) == 0 && ::stat(pb.constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    // A name not there yet is the same file once it is made.
    const QByteArray fa = finalPath(pa);
    const QByteArray fb = finalPath(pb);
    if (fa.isEmpty() || fb.isEmpty())
        return false;
    const Split ia = split(fa);
    const Split ib = split(fb);
    return ia.name == ib.name && !ia.name.isEmpty() && ::stat(ia.folder.constData(), &sa) == 0 &&
           ::stat(ib.folder.constData(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString fileErrorText(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("Auf dem Datenträger ist nicht genug Platz frei");
    case EDQUOT:
        return QStringLiteral("Das Speicherkontingent auf dem Datenträger ist erschöpft");
    case EFBIG:
        return QStringLiteral("Die Datei überschreitet die zulässige Größe");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler beim Zugriff auf den Datenträger");
    case EACCES:
    case EPERM:
        return QStringLiteral("Zugriff verweigert");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt");
    case ENAMETOOLONG:
        return QStringLiteral("Der Dateiname ist zu lang");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

FileReplacement::~FileReplacement() {
    discard();
}

bool FileReplacement::fail(Left left) {
    error_ = errno;
    left_ = left;
    discard();
    return false;
}

bool FileReplacement::open(const QString& path) {
    discard();
    error_ = 0;
    left_ = Left::Nothing;
    errno = ENOENT;
    const QByteArray target = path.isEmpty() ? QByteArray() : finalPath(QFile::encodeName(path));
    if (target.isEmpty())
        return fail(Left::Nothing);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return fail(Left::Nothing);
    if (exists && !S_ISREG(st.st_mode)) {
        // Renaming over a device or pipe would remove it. A pipe nobody reads is refused rather
        // than waited for.
        fd_ = ::open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0 || ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0)
            return fail(Left::Earlier);
        way_ = Way::Direct;
        left_ = Left::Incomplete;
        return true;
    }
    const Split parts = split(target);
    target_ = target;
    name_ = parts.name;
    left_ = exists ? Left::Earlier : Left::Nothing;
    errno = EISDIR;
    if (name_.isEmpty())
        return fail(left_);
    folder_ = ::open(parts.folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        return fail(left_);
    if (!exists) {
        if (!makeTemporary(0666))
            return fail(Left::Nothing);
        way_ = Way::Rename;
        return true;
    }
    // Either way writes the file: only one the user may write is taken.
    if (::faccessat(folder_, name_.constData(), W_OK, AT_EACCESS) != 0)
        return fail(Left::Earlier);
    if (makeTemporary(0600)) {
        if (replaceable(st) && keepsWhatItIs(st)) {
            way_ = Way::Rename;
            return true;
        }
        if (!useAsScratch())
            return fail(Left::Earlier);
    } else if (!openScratchElsewhere()) {
        return fail(Left::Earlier);
    }
    way_ = Way::Into;
    return true;
}

bool FileReplacement::replaceable(const struct stat& st) const {
    struct stat folder {};
    const gid_t newGroup =
        ::fstat(folder_, &folder) == 0 && (folder.st_mode & S_ISGID) ? folder.st_gid : ::getegid();
    const FileFacts facts{st.st_mode, st.st_uid, st.st_gid, st.st_nlink, hasExtendedAttributes(target_)};
    return replaceableByRename(facts, ::geteuid(), newGroup);
}

// The temporary file, renamed, is the file as it was: mode, owner and group.
bool FileReplacement::keepsWhatItIs(const struct stat& st) {
    struct stat made {};
    if (::fchmod(fd_, st.st_mode & 07777) != 0 || ::fstat(fd_, &made) != 0 || made.st_uid != st.st_uid)
        return false;
    return made.st_gid == st.st_gid || ::fchown(fd_, uid_t(-1), st.st_gid) == 0;
}

// Beside the file, with a name that keeps within the folder's limit however long the file's is.
bool FileReplacement::makeTemporary(mode_t mode) {
    constexpr qsizetype tail = 7; // ".XXXXXX"
    const long limit = ::fpathconf(folder_, _PC_NAME_MAX);
    const qsizetype nameMax = limit > tail ? qsizetype(limit) : 255;
    const QByteArray stem = name_.left(nameMax - tail) + '.';
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = stem;
        for (int i = 0; i < tail - 1; ++i)
            name += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
        fd_ = ::openat(folder_, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            temporary_ = name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// The temporary file only holds what was written until the commit copies it into the file.
bool FileReplacement::useAsScratch() {
    if (::unlinkat(folder_, temporary_.constData(), 0) != 0)
        return false;
    temporary_.clear();
    return true;
}

// For a file in a folder where the user cannot make one.
bool FileReplacement::openScratchElsewhere() {
    QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/export-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0)
        return false;
    ::unlink(pattern.constData());
    return true;
}

bool FileReplacement::write(const char* data, qsizetype size) {
    if (fd_ < 0)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = n == 0 ? ENOSPC : errno;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool FileReplacement::commit() {
    if (fd_ < 0)
        return false;
    switch (way_) {
    case Way::Direct: {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            return fail(Left::Incomplete);
        break;
    }
    case Way::Rename: {
        if (::fsync(fd_) != 0)
            return fail(left_);
        // The file may have changed meanwhile: taken another name, another owner.
        struct stat st {};
        if (::fstatat(folder_, name_.constData(), &st, 0) == 0 && !replaceable(st)) {
            if (!useAsScratch() || !copyInto())
                return fail(left_);
            break;
        }
        if (::renameat(folder_, temporary_.constData(), folder_, name_.constData()) != 0)
            return fail(left_);
        temporary_.clear();
        break;
    }
    case Way::Into:
        if (!copyInto())
            return fail(left_);
        break;
    }
    discard();
    return true;
}

// Writes the finished text into the file. What goes beyond its earlier end is written first and
// taken back when it does not fit, so that a full disk or a size limit leaves the earlier file;
// then the earlier bytes are overwritten, which needs no more room.
bool FileReplacement::copyInto() {
    const int target = ::openat(folder_, name_.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (target < 0)
        return false;
    struct stat now {};
    struct stat scratch {};
    bool done = ::fstat(target, &now) == 0 && ::fstat(fd_, &scratch) == 0;
    const off_t had = now.st_size;
    const off_t size = scratch.st_size;
    if (done && size > had && !copyRange(fd_, target, had, size)) {
        const int error = errno;
        if (::ftruncate(target, had) != 0)
            left_ = Left::Incomplete;
        ::close(target);
        errno = error;
        return false;
    }
    if (done) {
        left_ = Left::Incomplete;
        done = copyRange(fd_, target, 0, std::min(had, size)) &&
               (size >= had || ::ftruncate(target, size) == 0) && ::fsync(target) == 0;
    }
    const int error = errno;
    if (::close(target) != 0 && done)
        return false;
    errno = error;
    return done;
}

void FileReplacement::discard() {
    if (!temporary_.isEmpty())
        ::unlinkat(folder_, temporary_.constData(), 0);
    temporary_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    if (folder_ >= 0)
        ::close(folder_);
    fd_ = -1;
    folder_ = -1;
    name_.clear();
    target_.clear();
}

} // namespace platform
