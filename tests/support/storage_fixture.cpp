#include "support/storage_fixture.h"

#include "platform/date_format.h"
#include "session/state.h"
#include "storage/transcript_file.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "transport/player_view.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <unistd.h>

QString TemporaryHome::sessionFile(const QString& name) const {
    return QDir(storage()).filePath(formatDate(savedState().loadTime, kLoadStampPattern) +
                                    QStringLiteral("--") + name);
}

SessionWidgets::SessionWidgets()
    : window(new QMainWindow), script(new QPlainTextEdit), status(new QLabel),
      playerView(new AVPlayerViewAcceptsDrop) {
    auto* central = new QWidget(window);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(playerView, 1);
    layout->addWidget(status);
    layout->addWidget(script);
    window->setCentralWidget(central);
    auto fake = std::make_unique<FakePlayer>();
    player = fake.get();
    playerView->setPlayer(std::move(fake));
    resetSession();
    stateDef& state = savedState();
    state.window = window;
    state.script = script;
    state.tbTextBlock = status;
    state.playerView = playerView;
}

SessionWidgets::~SessionWidgets() {
    resetSession();
    delete window;
}

void SessionWidgets::loadItem() {
    player->replaceCurrentItem(QUrl::fromLocalFile(QStringLiteral("/videos/clip.mov")));
    player->setStatus(ItemStatus::ReadyToPlay);
    savedState().vidBasename = QStringLiteral("lecture3");
}

namespace {
bool setImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0)
        ::close(fd);
    return done;
}

bool canCreateIn(const QString& folder) {
    QFile probe(QDir(folder).filePath(QStringLiteral(".probe")));
    return probe.open(QIODevice::WriteOnly) && probe.remove();
}
} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& path) : path_(path) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    if (canCreateIn(path)) // root passes by the permissions
        immutable_ = setImmutable(path, true);
    ok_ = !canCreateIn(path);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (immutable_)
        setImmutable(path_, false);
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
