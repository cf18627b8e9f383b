#include "app/recording_indicator.h"

#include "platform/alert.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace {

const char* const kNotRecorded = "Keys are not being recorded — click the picture to record";
const char* const kRecorded = "Recording keys";

QLabel* overlayLabel(QWidget* picture, const char* name, const QString& style) {
    auto* label = new QLabel(picture);
    label->setObjectName(QLatin1String(name));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFocusPolicy(Qt::NoFocus);
    label->setStyleSheet(style);
    label->hide();
    return label;
}

} // namespace

RecordingIndicator::RecordingIndicator(QWidget* picture, std::function<bool()> recording,
                                       QObject* parent)
    : QObject(parent), picture_(picture), recording_(std::move(recording)),
      pictureDescription_(picture->accessibleDescription()) {
    band_ = overlayLabel(picture, "keysNotRecordedBand",
                         QStringLiteral("QLabel { background: rgb(204, 32, 32); color: white; "
                                        "font-weight: bold; padding: 6px; }"));
    band_->setText(QString::fromUtf8(kNotRecorded));
    band_->setAlignment(Qt::AlignCenter);
    band_->setWordWrap(true);
    band_->setAccessibleName(QStringLiteral("Keys are not being recorded"));
    band_->setAccessibleDescription(QStringLiteral("Click the picture to record keys"));

    mark_ = overlayLabel(picture, "keysRecordedMark",
                         QStringLiteral("QLabel { background: rgba(0, 0, 0, 110); "
                                        "color: rgb(220, 220, 220); padding: 2px 6px; "
                                        "border-bottom-right-radius: 6px; }"));
    mark_->setText(QStringLiteral("<span style='color: rgb(120, 200, 120)'>&#9679;</span> ") +
                   QString::fromUtf8(kRecorded));
    mark_->setAccessibleName(QString::fromUtf8(kRecorded));
    mark_->setAccessibleDescription(QStringLiteral("Key presses become transcript lines"));

    picture->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &RecordingIndicator::refresh);
    // Leaving or re-entering the window may come without a focus change.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &RecordingIndicator::refresh);
    refresh();
}

void RecordingIndicator::refresh() {
    const bool recording = recording_ && recording_();
    band_->setVisible(!recording);
    mark_->setVisible(recording);
    // Alerts held back while keys were recorded can take the keyboard now;
    // not from inside the focus change that got here.
    if (!recording)
        QTimer::singleShot(0, this, [] { showHeldAlerts(); });
    const QString state = recording ? QStringLiteral("Keys pressed here are being recorded.")
                                    : QString::fromUtf8(kNotRecorded) + QLatin1Char('.');
    const QString description =
        pictureDescription_.isEmpty() ? state : state + QLatin1Char(' ') + pictureDescription_;
    if (picture_->accessibleDescription() != description)
        picture_->setAccessibleDescription(description);
    place();
}

bool RecordingIndicator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picture_) {
        // A picture added later (the first video) must not cover the overlays.
        if (event->type() == QEvent::Resize || event->type() == QEvent::ChildAdded ||
            event->type() == QEvent::Show)
            QTimer::singleShot(0, this, &RecordingIndicator::place);
    }
    return QObject::eventFilter(watched, event);
}

void RecordingIndicator::place() {
    const int width = picture_->width();
    band_->setGeometry(0, 0, width, band_->heightForWidth(width));
    mark_->adjustSize();
    mark_->move(0, 0);
    band_->raise();
    mark_->raise();
}
