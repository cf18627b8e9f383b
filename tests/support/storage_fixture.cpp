#include "support/storage_fixture.h"

#include "session/state.h"
#include "support/fake_player.h"
#include "transport/player_view.h"

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <csignal>
#include <memory>

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
