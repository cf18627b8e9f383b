#pragma once

#include <QImage>
#include <QString>

class MpvPlayer;
class QWidget;

// Test clips made by ffmpeg at test time. A coded clip shows its frame number
// in every frame as 16 grey blocks side by side, white for a set bit (bit 0
// on the left), so that a test can read back which frame is on screen.
struct ClipShape {
    QString frameRate = QStringLiteral("30"); // as ffmpeg takes it: "30", "30000/1001"
    double seconds = 10.0;
    int keyframeInterval = 60;
    int sampleAspect = 1; // pixel width over height (320 x 240 pixels)
    bool audio = false;
    int width = 320, height = 240;
};

// Makes folder/name (the extension picks the container); its path, or empty
// (ffmpeg's complaint logged).
QString makeCodedClip(const QString& folder, const QString& name, const ClipShape& shape = {});

// The frame number shown by a coded image; -1 when it holds no coded frame.
int frameCode(const QImage& image);
// The frame number a picture widget (the player's, software or OpenGL) shows
// now, drawn as it draws on screen, of a clip of that aspect fitted into it.
int shownFrame(QWidget* picture, QSize aspect = {4, 3});
// The same for the player view: its one child that is not an overlay label.
int viewFrame(QWidget* playerView, QSize aspect = {4, 3});

// The frame on screen at ms, num/den frames a second from 0: the last not after ms.
long long frameAt(long long ms, long long num = 30, long long den = 1);

// Waits (processing events) until the player has loaded or failed.
bool waitSettled(MpvPlayer* player, int ms = 15000);
