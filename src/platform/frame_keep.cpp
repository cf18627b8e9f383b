#include "platform/frame_keep.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>

#include <algorithm>
#include <cmath>

namespace {

// Copies to's whole size from from's, scaled, with the draw framebuffer left
// bound to to.
void blit(unsigned from, QSize fromSize, unsigned to, QSize toSize) {
    QOpenGLExtraFunctions* f = QOpenGLContext::currentContext()->extraFunctions();
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    f->glBlitFramebuffer(0, 0, fromSize.width(), fromSize.height(), 0, 0, toSize.width(),
                         toSize.height(), GL_COLOR_BUFFER_BIT,
                         fromSize == toSize ? GL_NEAREST : GL_LINEAR);
    f->glBindFramebuffer(GL_FRAMEBUFFER, to);
}

qint64 frameBytes(QSize size) {
    return qint64(size.width()) * size.height() * 4;
}

constexpr std::size_t kSpares = 2;

} // namespace

FrameKeep::FrameKeep() = default;

FrameKeep::~FrameKeep() = default;

bool FrameKeep::supported() {
    return QOpenGLContext::currentContext() && QOpenGLFramebufferObject::hasOpenGLFramebufferBlit();
}

std::uint64_t FrameKeep::capture(unsigned from, QSize size) {
    // Copies let go of since the last call: a few stay for reuse.
    while (spare_.size() > kSpares)
        spare_.pop_back();
    if (size.isEmpty() || frameBytes(size) > kMaxBytes || !supported())
        return 0;
    std::unique_ptr<QOpenGLFramebufferObject> fbo;
    const auto spare = std::find_if(spare_.begin(), spare_.end(),
                                    [&](const auto& s) { return s->size() == size; });
    if (spare != spare_.end()) {
        fbo = std::move(*spare);
        spare_.erase(spare);
    } else {
        fbo = std::make_unique<QOpenGLFramebufferObject>(size);
        if (!fbo->isValid())
            return 0;
    }
    blit(from, size, fbo->handle(), size);
    QOpenGLContext::currentContext()->extraFunctions()->glBindFramebuffer(GL_FRAMEBUFFER, from);
    frames_.push_back({nextId_++, std::nullopt, std::move(fbo)});
    trim();
    return frames_.empty() ? 0 : frames_.back().id;
}

void FrameKeep::tag(std::uint64_t id, double pts, double fps) {
    const auto frame =
        std::find_if(frames_.begin(), frames_.end(), [&](const Frame& f) { return f.id == id; });
    if (frame == frames_.end())
        return;
    // A newer copy of the same frame (redrawn at another size) replaces it.
    for (Frame& f : frames_)
        if (f.id != id && f.pts && std::abs(*f.pts - pts) < kSameFrame)
            f.pts.reset();
    frame->pts = pts;
    const qint64 each = frameBytes(frame->fbo->size());
    const std::size_t bySize = std::size_t(std::max<qint64>(1, kMaxBytes / each));
    const std::size_t byTime =
        fps > 0.0 ? std::size_t(std::max(1.0, std::ceil(kMaxSeconds * fps))) : 1;
    maxFrames_ = std::min(bySize, byTime);
    trim();
}

void FrameKeep::trim() {
    std::size_t named = 0, unnamed = 0;
    qint64 total = 0;
    // From the newest: keep what fits, let the rest go.
    for (auto f = frames_.rbegin(); f != frames_.rend(); ++f) {
        const qint64 size = frameBytes(f->fbo->size());
        const bool keep = f->pts ? named < maxFrames_ && total + size <= kMaxBytes
                                 : unnamed < kUnnamedCopies && total + size <= kMaxBytes;
        if (!keep) {
            // Freed at the next capture, when the context is current.
            spare_.push_back(std::move(f->fbo));
            f->id = 0;
            continue;
        }
        (f->pts ? named : unnamed) += 1;
        total += size;
    }
    std::erase_if(frames_, [](const Frame& f) { return f.id == 0; });
}

const FrameKeep::Frame* FrameKeep::find(double pts) const {
    const Frame* best = nullptr;
    for (const Frame& f : frames_)
        if (f.pts && std::abs(*f.pts - pts) < kSameFrame &&
            (!best || std::abs(*f.pts - pts) < std::abs(*best->pts - pts)))
            best = &f;
    return best;
}

bool FrameKeep::has(double pts) const {
    return find(pts) != nullptr;
}

bool FrameKeep::draw(double pts, unsigned to, QSize size) {
    const Frame* frame = find(pts);
    if (!frame || size.isEmpty() || !supported())
        return false;
    blit(frame->fbo->handle(), frame->fbo->size(), to, size);
    return true;
}

bool FrameKeep::hold(unsigned from, QSize size) {
    if (size.isEmpty() || !supported())
        return false;
    if (!held_ || held_->size() != size)
        held_ = std::make_unique<QOpenGLFramebufferObject>(size);
    if (!held_->isValid()) {
        held_.reset();
        return false;
    }
    blit(from, size, held_->handle(), size);
    QOpenGLContext::currentContext()->extraFunctions()->glBindFramebuffer(GL_FRAMEBUFFER, from);
    return true;
}

bool FrameKeep::drawHeld(unsigned to, QSize size) {
    if (!held_ || size.isEmpty() || !supported())
        return false;
    blit(held_->handle(), held_->size(), to, size);
    return true;
}

void FrameKeep::clear() {
    frames_.clear();
    spare_.clear();
    held_.reset();
}

qint64 FrameKeep::bytes() const {
    qint64 total = 0;
    for (const Frame& f : frames_)
        total += frameBytes(f.fbo->size());
    return total;
}

std::size_t FrameKeep::capacity() const {
    if (frames_.empty())
        return maxFrames_;
    const qint64 each = frameBytes(frames_.back().fbo->size());
    return std::min(maxFrames_, std::size_t(std::max<qint64>(1, kMaxBytes / each)));
}

std::size_t FrameKeep::frames() const {
    return frames_.size();
}
