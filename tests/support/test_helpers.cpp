#include "support/test_helpers.h"

#include "platform/alert.h"
#include "session/state.h"

AlertRecorder::AlertRecorder() {
    setAlertHandler([this](const QString& m, const QString& i) { alerts.emplace_back(m, i); });
}

AlertRecorder::~AlertRecorder() {
    setAlertHandler({});
}

void resetSession() {
    savedState() = stateDef();
}
