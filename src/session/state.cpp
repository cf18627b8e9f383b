#include "session/state.h"

#include <utility>

stateDef::stateDef() : loadTime(QDateTime::currentDateTime()) {}

stateDef& savedState() {
    static stateDef state; // thread-safe one-time initialisation
    return state;
}

tapeSymbolsStruct::tapeSymbolsStruct()
    : tapeSymbolsStruct(
          QStringLiteral("\u2759 \u2759"), QStringLiteral("\u25B6"), QStringLiteral("\u25C0"),
          QStringLiteral("\u25B6\u25B6"), QStringLiteral("\u25C0\u25C0"), QStringLiteral("\u25FC"),
          QStringLiteral("\u23CF"), QStringLiteral("\u25B2"), QStringLiteral("\u25BC"),
          QStringLiteral("\u25CF"), QStringLiteral("\u2759\u25C0")) {}

tapeSymbolsStruct::tapeSymbolsStruct(QString pause, QString play, QString back, QString ff,
                                     QString rewind, QString stop, QString eject, QString up,
                                     QString down, QString dot, QString home)
    : pause(std::move(pause)), play(std::move(play)), back(std::move(back)), ff(std::move(ff)),
      rewind(std::move(rewind)), stop(std::move(stop)), eject(std::move(eject)), up(std::move(up)),
      down(std::move(down)), dot(std::move(dot)), home(std::move(home)) {}

const tapeSymbolsStruct& tapeSymbols() {
    static const tapeSymbolsStruct symbols;
    return symbols;
}
