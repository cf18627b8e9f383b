#include "platform/mpv_video_widget.h"

#include "platform/mpv_clock.h"
#include "platform/mpv_core.h"

#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QPointer>
#include <QWindow>

#include <cstdint>

namespace {

void* glProcAddress(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

// Runs on an engine thread: only queue the widget's taking of the frame. The
// render context is freed before the widget goes, and that stops these calls.
template <class Widget> void queueFrame(Widget* widget, std::atomic<bool>& queued) {
    if (queued.exchange(true))
        return;
    QMetaObject::invokeMethod(
        widget,
        [widget, &queued] {
            queued.store(false);
            widget->takeFrame();
        },
        Qt::QueuedConnection);
}

// Whether the widget's pixels reach the screen now (not in a hidden tab, not
// in a minimised window).
bool onScreen(const QWidget* widget) {
    const QWindow* window = widget->window()->windowHandle();
    return widget->isVisible() && window && window->isExposed();
}

// Frees a widget's render context and hands the engine's one renderer slot
// back. With OpenGL, the widget's context must be current.
void freeRenderContext(MpvCore* core, mpv_render_context*& render) {
    if (!render)
        return;
    core->detachRenderer();
    mpv_render_context_free(render);
    render = nullptr;
    core->releaseRenderer();
}

// The frame the engine holds for drawing: whether it is a new picture (not
// a redraw of the one on screen), and the monotonic time (monotonicSeconds)
// the engine meant it for; 0 when there is none or the time is unknown.
struct NextFrame {
    bool fresh = false;
    double due = 0.0;
};
NextFrame nextFrame(MpvCore* core, mpv_render_context* render) {
    if (!render)
        return {};
    mpv_render_frame_info info{};
    mpv_render_param param{MPV_RENDER_PARAM_NEXT_FRAME_INFO, &info};
    if (mpv_render_context_get_info(render, param) < 0)
        return {};
    NextFrame next;
    next.fresh = (info.flags & MPV_RENDER_FRAME_INFO_PRESENT) &&
                 !(info.flags & MPV_RENDER_FRAME_INFO_REDRAW);
    // The engine's clock is monotonic too, from another origin.
    if (next.fresh && info.target_time > 0)
        next.due =
            double(info.target_time - mpv_get_time_us(core->handle())) / 1e6 + monotonicSeconds();
    return next;
}

// Nobody sees the picture: lets the engine move on to its next frame without
// drawing, instead of making it wait for a paint that does not come. A new
// frame passed by counts as shown. With OpenGL, the widget's context must be
// current.
template <class Widget>
void passFrameBy(Widget* widget, MpvCore* core, mpv_render_context* render) {
    const NextFrame next = nextFrame(core, render);
    int skip = 1;
    int block = 0;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(render, params);
    if (next.fresh)
        emit widget->framePresented(next.due, monotonicSeconds(), 0);
}

} // namespace

void MpvVideoWidget::engineFrameReady(void* self) {
    auto* widget = static_cast<MpvVideoWidget*>(self);
    queueFrame(widget, widget->repaintQueued_);
}

void MpvSoftwareVideoWidget::engineFrameReady(void* self) {
    auto* widget = static_cast<MpvSoftwareVideoWidget*>(self);
    queueFrame(widget, widget->repaintQueued_);
}

// ---- OpenGL ----

MpvVideoWidget::MpvVideoWidget(std::shared_ptr<MpvCore> core, QWidget* parent)
    : QOpenGLWidget(parent), core_(std::move(core)) {
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
    // The picture is on screen once the window has composed and swapped it.
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (!drawnFresh_)
            return;
        drawnFresh_ = false;
        emit framePresented(drawnDue_, monotonicSeconds(), drawnCopy_);
    });
}

MpvVideoWidget::~MpvVideoWidget() {
    if (context())
        disconnect(context(), nullptr, this, nullptr);
    if (context()) {
        makeCurrent();
        freeRenderer();
        doneCurrent();
    }
}

bool MpvVideoWidget::openGLAvailable() {
    static const bool available = [] {
        QOpenGLContext context;
        if (!context.create())
            return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (!surface.isValid() || !context.makeCurrent(&surface))
            return false;
        context.doneCurrent();
        return true;
    }();
    return available;
}

void MpvVideoWidget::initializeGL() {
    // Qt made a new OpenGL context (first show, or another window after
    // re-parenting): free the render context together with it.
    connect(
        context(), &QOpenGLContext::aboutToBeDestroyed, this,
        [this] {
            makeCurrent();
            freeRenderer();
            doneCurrent();
        },
        Qt::DirectConnection);
    if (render_ || !core_ || !core_->claimRenderer())
        return;
    mpv_opengl_init_params gl{glProcAddress, nullptr};
    int advanced = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_create(&render_, core_->handle(), params) < 0) {
        render_ = nullptr;
        core_->releaseRenderer();
        return;
    }
    mpv_render_context_set_update_callback(render_, engineFrameReady, this);
    core_->attachRenderer();
}

void MpvVideoWidget::paintGL() {
    if (!render_) {
        QOpenGLFunctions* f = context()->functions();
        f->glClearColor(0, 0, 0, 1);
        f->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{int(defaultFramebufferObject()), int(width() * ratio), int(height() * ratio),
                       0};
    int flipY = 1;
    int block = 0; // never wait on this thread for a frame's display time
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flipY},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    const NextFrame next = nextFrame(core_.get(), render_);
    const QSize size(fbo.w, fbo.h);
    // A kept or held frame covers the whole picture: the engine draws only to
    // hand over (and have copied) a new frame of its own.
    if (overridden() && !next.fresh && drawOverride(size))
        return;
    if (next.fresh) {
        drawnFresh_ = true;
        drawnDue_ = next.due;
    }
    mpv_render_context_render(render_, params);
    if (next.fresh) {
        if (releaseArmed_)
            dropKept();
        drawnCopy_ = keep_.capture(defaultFramebufferObject(), size);
    }
    if (overridden() && !drawOverride(size))
        dropKept();
}

bool MpvVideoWidget::drawOverride(QSize size) {
    return shownKept_ ? keep_.draw(*shownKept_, defaultFramebufferObject(), size)
                      : keep_.drawHeld(defaultFramebufferObject(), size);
}

void MpvVideoWidget::takeFrame() {
    if (onScreen(this)) {
        update();
        return;
    }
    if (!render_)
        return;
    if (releaseArmed_)
        dropKept();
    makeCurrent();
    passFrameBy(this, core_.get(), render_);
    doneCurrent();
}

bool MpvVideoWidget::showKept(double pts) {
    if (!keep_.has(pts))
        return false;
    shownKept_ = pts;
    holding_ = false;
    releaseArmed_ = false;
    update();
    return true;
}

bool MpvVideoWidget::holdPicture() {
    // The framebuffer holds the engine's newest frame once it has drawn it,
    // whether or not the window has shown it yet.
    if (!render_ || !context() || !onScreen(this) || repaintQueued_)
        return false;
    const qreal ratio = devicePixelRatioF();
    makeCurrent();
    // Not while the engine's newest frame has yet to reach the screen.
    if (nextFrame(core_.get(), render_).fresh) {
        doneCurrent();
        return false;
    }
    // The widget's framebuffer still holds the picture last put on screen.
    const bool held =
        keep_.hold(defaultFramebufferObject(), QSize(int(width() * ratio), int(height() * ratio)));
    doneCurrent();
    if (!held)
        return false;
    shownKept_.reset();
    holding_ = true;
    releaseArmed_ = false;
    update();
    return true;
}

void MpvVideoWidget::releaseKept(bool now) {
    if (!overridden())
        return;
    if (!now) {
        releaseArmed_ = true;
        return;
    }
    dropKept();
    update();
}

void MpvVideoWidget::dropKept() {
    shownKept_.reset();
    holding_ = false;
    releaseArmed_ = false;
}

void MpvVideoWidget::forgetKept() {
    dropKept();
    if (!context())
        return;
    makeCurrent();
    keep_.clear();
    doneCurrent();
    update();
}

void MpvVideoWidget::freeRenderer() {
    keep_.clear();
    dropKept();
    freeRenderContext(core_.get(), render_);
}

// ---- software ----

MpvSoftwareVideoWidget::MpvSoftwareVideoWidget(std::shared_ptr<MpvCore> core, QWidget* parent)
    : QWidget(parent), core_(std::move(core)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!core_ || !core_->claimRenderer())
        return;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_create(&render_, core_->handle(), params) < 0) {
        render_ = nullptr;
        core_->releaseRenderer();
        return;
    }
    mpv_render_context_set_update_callback(render_, engineFrameReady, this);
    core_->attachRenderer();
}

MpvSoftwareVideoWidget::~MpvSoftwareVideoWidget() {
    freeRenderContext(core_.get(), render_);
}

void MpvSoftwareVideoWidget::takeFrame() {
    if (onScreen(this)) {
        update();
        return;
    }
    if (render_)
        passFrameBy(this, core_.get(), render_);
}

void MpvSoftwareVideoWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const int w = int(width() * ratio);
    const int h = int(height() * ratio);
    if (!render_ || w <= 0 || h <= 0) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Rows and the buffer start on 64-byte boundaries, as the renderer prefers.
    std::size_t stride = (std::size_t(w) * 4 + 63) / 64 * 64;
    pixels_.resize(stride * std::size_t(h) + 64);
    const auto base = reinterpret_cast<std::uintptr_t>(pixels_.data());
    unsigned char* first = pixels_.data() + ((64 - base % 64) % 64);
    const NextFrame next = nextFrame(core_.get(), render_);
    int size[2] = {w, h};
    char format[] = "bgr0"; // blue, green, red, padding: Qt's RGB32 on little-endian
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                                 {MPV_RENDER_PARAM_SW_FORMAT, format},
                                 {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                 {MPV_RENDER_PARAM_SW_POINTER, first},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_render(render_, params) < 0) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    for (int y = 0; y < h; ++y) {
        unsigned char* pixel = first + std::size_t(y) * stride;
        for (int x = 0; x < w; ++x, pixel += 4)
            pixel[3] = 0xff; // the padding byte is undefined; Qt wants it opaque
    }
    QImage image(first, w, h, int(stride), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(0, 0), image);
    // The window's backing store reaches the screen as this paint ends.
    if (next.fresh)
        emit framePresented(next.due, monotonicSeconds(), 0);
}

namespace {

using Presented = std::function<void(double, double, std::uint64_t)>;

template <class Picture>
MpvPicture follow(Picture* picture, QObject* receiver, Presented presented) {
    QPointer<Picture> guard(picture);
    QObject::connect(picture, &Picture::framePresented, receiver, std::move(presented),
                     Qt::QueuedConnection);
    MpvPicture p;
    p.widget = picture;
    p.rendering = [guard] { return guard && guard->isRendering(); };
    return p;
}

} // namespace

MpvPicture createMpvPicture(std::shared_ptr<MpvCore> core, bool openGL, QWidget* parent,
                            QObject* receiver, Presented presented) {
    if (!openGL)
        return follow(new MpvSoftwareVideoWidget(std::move(core), parent), receiver,
                      std::move(presented));
    auto* widget = new MpvVideoWidget(std::move(core), parent);
    MpvPicture p = follow(widget, receiver, std::move(presented));
    const QPointer<MpvVideoWidget> w(widget);
    p.keepFrame = [w](std::uint64_t frame, double pts, double fps) {
        if (w)
            w->keepFrame(frame, pts, fps);
    };
    p.hasKept = [w](double pts) { return w && w->keep().has(pts); };
    p.showKept = [w](double pts) { return w && w->showKept(pts); };
    p.holdPicture = [w] { return w && w->holdPicture(); };
    p.keepCapacity = [w] { return w ? w->keep().capacity() : std::size_t(0); };
    p.releaseKept = [w](bool now) {
        if (w)
            w->releaseKept(now);
    };
    p.forgetKept = [w] {
        if (w)
            w->forgetKept();
    };
    return p;
}
