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
};

// Makes folder/name (the extension picks the container); the path, or an
// empty string (with ffmpeg's complaint logged) on failure.
QString makeCodedClip(const QString& folder, const QString& name, const ClipShape& shape = {});

// The frame number shown by a coded image; -1 when it holds no coded frame.
int frameCode(const QImage& image);
// The frame number a picture widget (the player's, software or OpenGL) shows
// now, drawn as it draws on screen, of a 4:3 clip fitted into it.
int shownFrame(QWidget* picture);

// The number of the frame on screen at ms on a grid of num/den frames per
// second starting at 0: the last frame whose time is not after ms.
long long frameAt(long long ms, long long num = 30, long long den = 1);

// Waits (processing events) until the player has loaded or failed.
bool waitSettled(MpvPlayer* player, int ms = 15000);
