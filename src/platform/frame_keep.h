#pragma once

#include <QSize>
#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QOpenGLFramebufferObject;

// The frames the picture most recently put on screen, kept on the graphics
// card at the size they were drawn, so that a step back onto one shows it
// at once instead of waiting for the engine to decode it again.
//
// Bound: the frames of the last kMaxSeconds of video (at its frame rate) or
// kMaxBytes, whichever is smaller; the oldest go first.
//
// A frame is copied as it is drawn and kept once the player names its time
// (tag()). Copies never named (drawn while stopped, or a frame whose time
// the player could not tell for sure) go after kUnnamedCopies newer ones.
//
// Thread rules: user-interface thread, with the picture's OpenGL context
// current for capture(), draw() and clear(); has() and tag() need no
// context.
class FrameKeep {
public:
    static constexpr qint64 kMaxBytes = qint64(256) << 20;
    static constexpr double kMaxSeconds = 2.0;
    static constexpr std::size_t kUnnamedCopies = 8;
    // Two times of one frame differ by less than this.
    static constexpr double kSameFrame = 0.002;

    FrameKeep();
    ~FrameKeep();
    FrameKeep(const FrameKeep&) = delete;
    FrameKeep& operator=(const FrameKeep&) = delete;

    // Whether this context can copy between framebuffers (else nothing is kept).
    static bool supported();

    // Copies the framebuffer from (size pixels) into the keep: an id for
    // tag(), 0 when nothing was kept.
    std::uint64_t capture(unsigned from, QSize size);
    // The copy id shows the frame of time pts of a video of fps frames a second.
    void tag(std::uint64_t id, double pts, double fps);
    // Whether the frame of time pts is kept.
    bool has(double pts) const;
    // Draws the kept frame of time pts, scaled, into framebuffer to (size
    // pixels); false when it is not kept.
    bool draw(double pts, unsigned to, QSize size);
    // Copies the framebuffer from as the held picture: what stays on screen
    // while the engine decodes frames for the keep out of sight. False when
    // it cannot be copied.
    bool hold(unsigned from, QSize size);
    // Draws the held picture, scaled, into to; false when there is none.
    bool drawHeld(unsigned to, QSize size);
    // Lets every frame go (a new video); with the context current.
    void clear();

    // How many frames are kept at most: by the frame rate last named and the
    // size of the newest copy.
    std::size_t capacity() const;

    qint64 bytes() const;
    std::size_t frames() const;

private:
    struct Frame {
        std::uint64_t id = 0;
        std::optional<double> pts;
        std::unique_ptr<QOpenGLFramebufferObject> fbo;
    };
    const Frame* find(double pts) const;
    void trim();

    std::vector<Frame> frames_; // oldest first
    std::vector<std::unique_ptr<QOpenGLFramebufferObject>> spare_;
    std::unique_ptr<QOpenGLFramebufferObject> held_;
    std::uint64_t nextId_ = 1;
    std::size_t maxFrames_ = 60;
};
