#pragma once

#include <QImage>
#include <QString>

// Test clips made by ffmpeg at test time. A coded clip shows its frame number
// in every frame as 16 grey blocks side by side, white for a set bit (bit 0
// on the left), so that a test can read back which frame is on screen.
struct ClipSpec {
    QString frameRate = QStringLiteral("30"); // as ffmpeg takes it: "30", "30000/1001"
    double seconds = 10.0;
    int keyframeInterval = 60;
    int width = 320;
    int height = 240;
    int sampleAspect = 1; // pixel width over height
    bool audio = false;
};

// Makes folder/name (the extension picks the container); the path, or an
// empty string (with a test failure message in ffmpegError()) on failure.
QString makeCodedClip(const QString& folder, const QString& name, const ClipSpec& spec);
QString ffmpegError();

// The frame number shown by a coded frame, read in the rectangle of the
// picture; -1 when the image does not hold a coded frame there.
int frameCode(const QImage& image, const QRect& picture);
int frameCode(const QImage& image);

// The number of the frame on screen at ms on a grid of num/den frames per
// second starting at 0: the last frame whose time is not after ms.
long long frameAt(long long ms, long long num, long long den);
