#pragma once

#include "platform/frame_keep.h"

#include <QOpenGLWidget>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class MpvCore;
struct mpv_render_context;

// Draws the picture of an MpvCore through libmpv's render API with OpenGL.
// The render context lives as long as the widget's OpenGL context: when Qt
// replaces that context (re-parenting to another window) the render context
// is freed with the old one current and made again on the new one; the
// engine keeps decoding on its null output meanwhile. The widget keeps the
// engine alive until its render context is gone.
//
// framePresented() says when a new frame of the engine reached the screen
// (or was passed by unseen), so that the player's clock follows the picture
// rather than the engine, which runs a little ahead of it.
//
// Each new frame drawn is copied into a FrameKeep; once the player names its
// time (keepFrame()), showKept() can put it back on screen at once, over the
// engine's picture, until releaseKept() lets the engine's frames show again;
// holdPicture() does the same with the picture on screen, so that the engine
// can decode frames for the keep out of sight.
//
// Thread rules: user-interface thread only; the engine's frame notification
// only queues a repaint.
class MpvVideoWidget : public QOpenGLWidget {
    Q_OBJECT
public:
    MpvVideoWidget(std::shared_ptr<MpvCore> core, QWidget* parent = nullptr);
    ~MpvVideoWidget() override;

    // Whether this process can make an OpenGL context at all (checked once).
    static bool openGLAvailable();
    // A render context exists (after the first initializeGL).
    bool isRendering() const { return render_ != nullptr; }
    // The engine has a new frame: draw it, or pass it by while nobody sees it.
    void takeFrame();

    // The frame presented as frame (framePresented()) has the time pts.
    void keepFrame(std::uint64_t frame, double pts, double fps) { keep_.tag(frame, pts, fps); }
    // Shows the kept frame of time pts, at once and until released; false
    // (and nothing changes) when it is not kept.
    bool showKept(double pts);
    // Holds the picture on screen as it is, until released, while the new
    // frames the engine draws meanwhile are only copied into the keep; false
    // when it cannot (not on screen, no copy possible) or the engine's newest
    // frame is not drawn yet.
    bool holdPicture();
    // The engine's frames show again: now, or from the next new one it draws
    // (the one it is about to land on is the frame shown).
    void releaseKept(bool now);
    // Lets every kept frame go (a new video).
    void forgetKept();
    const FrameKeep& keep() const { return keep_; }
    // The kept frame drawn over the engine's, if any; whether the picture is held.
    std::optional<double> keptShown() const { return shownKept_; }
    bool holding() const { return holding_; }

signals:
    // A new frame is on screen since monotonic time at; the engine meant it
    // for due (0: unknown). Both in monotonicSeconds(). frame: its copy in
    // the keep, 0 for none.
    void framePresented(double due, double at, std::uint64_t frame);

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    static void engineFrameReady(void* self);
    void freeRenderer();
    void dropKept();
    bool overridden() const { return shownKept_ || holding_; }
    bool drawOverride(QSize size);

    std::shared_ptr<MpvCore> core_;
    mpv_render_context* render_ = nullptr;
    std::atomic<bool> repaintQueued_{false};
    // The new frame drawn until the window shows it.
    bool drawnFresh_ = false;
    double drawnDue_ = 0.0;
    std::uint64_t drawnCopy_ = 0;
    FrameKeep keep_;
    std::optional<double> shownKept_; // the kept frame drawn over the engine's
    bool holding_ = false;            // the held picture drawn over the engine's
    bool releaseArmed_ = false;
};

// The same without OpenGL: libmpv's software renderer draws into an image
// that is painted like any other. Slow on large pictures; the fallback where
// no OpenGL context can be made.
class MpvSoftwareVideoWidget : public QWidget {
    Q_OBJECT
public:
    MpvSoftwareVideoWidget(std::shared_ptr<MpvCore> core, QWidget* parent = nullptr);
    ~MpvSoftwareVideoWidget() override;

    bool isRendering() const { return render_ != nullptr; }
    void takeFrame();

signals:
    void framePresented(double due, double at, std::uint64_t frame); // frame: always 0

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static void engineFrameReady(void* self);

    std::shared_ptr<MpvCore> core_;
    mpv_render_context* render_ = nullptr;
    std::atomic<bool> repaintQueued_{false};
    std::vector<unsigned char> pixels_;
};

// The picture of a player: an MpvVideoWidget (openGL) or an
// MpvSoftwareVideoWidget of core. Its framePresented() reaches presented
// queued, after the paint and outside of it, on receiver's thread while
// receiver lives. rendering() says whether the widget still lives and draws
// the engine's frames. The keep's calls do nothing once the widget is gone;
// the software picture keeps nothing.
struct MpvPicture {
    QWidget* widget = nullptr;
    std::function<bool()> rendering;
    std::function<void(std::uint64_t frame, double pts, double fps)> keepFrame;
    std::function<bool(double pts)> hasKept;
    std::function<bool(double pts)> showKept;
    std::function<void(bool now)> releaseKept;
    std::function<bool()> holdPicture;
    std::function<std::size_t()> keepCapacity;
    std::function<void()> forgetKept;
};
MpvPicture
createMpvPicture(std::shared_ptr<MpvCore> core, bool openGL, QWidget* parent, QObject* receiver,
                 std::function<void(double due, double at, std::uint64_t frame)> presented);
