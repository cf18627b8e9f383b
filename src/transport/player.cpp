#include "transport/player.h"

namespace {
PlayerFactory& factory() {
    static PlayerFactory f;
    return f;
}
} // namespace

void setPlayerFactory(PlayerFactory f) {
    factory() = std::move(f);
}

std::unique_ptr<Player> makePlayer() {
    return factory() ? factory()() : nullptr;
}
