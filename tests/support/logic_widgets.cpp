#include "support/logic_widgets.h"

#include "session/state.h"
#include "support/test_helpers.h"

LogicWidgets::LogicWidgets() {
    resetSession();
    stateDef& s = savedState();
    s.playerView = &view;
    s.script = &script;
    s.codeDisplay = &echo;
    s.tbTextBlock = &status;
    s.tapeCounterDisplay = &counter;
    s.markDisplay = &mark;
    s.excursionDisplay = &excursion;
    s.backButton = &back;
    s.aheadButton = &ahead;
}

LogicWidgets::~LogicWidgets() {
    resetSession();
}

FakePlayer* LogicWidgets::givePlayer(float rate, double time) {
    auto owned = std::make_unique<FakePlayer>();
    FakePlayer* player = owned.get();
    player->setRateSilently(rate);
    player->time = time;
    view.setPlayer(std::move(owned));
    return player;
}

FakePlayer* LogicWidgets::loadItem() {
    FakePlayer* player = givePlayer();
    player->replaceCurrentItem(QUrl::fromLocalFile(QStringLiteral("/videos/clip.mov")));
    player->setStatus(ItemStatus::ReadyToPlay);
    savedState().vidBasename = QStringLiteral("lecture3");
    return player;
}

QStringList LogicWidgets::lines() const {
    return script.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
