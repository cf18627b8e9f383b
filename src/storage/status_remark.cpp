#include "storage/status_remark.h"

#include "session/state.h"

#include <QLabel>

void showStatusRemark(const QString& remark, const QString& other) {
    QLabel* status = savedState().tbTextBlock;
    if (!status)
        return;
    QString text = status->text();
    for (const QString& old : {remark, other}) {
        if (text.endsWith(old))
            text.chop(old.size());
    }
    status->setText(text + remark);
}

QString journalFailureRemark() {
    return QStringLiteral("  \u2014 unsaved lines are not protected");
}

QString journalRecoveryRemark() {
    return QStringLiteral("  \u2014 unsaved lines are protected again");
}
