#include "maker/PreviewLoader.h"

#include "picture/PictureLoader.h"

PreviewLoader::PreviewLoader(QObject* parent) : QObject(parent), worker_([this] { work(); }) {}

PreviewLoader::~PreviewLoader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.reset();
    }
    wake_.notify_all();
    worker_.join();
}

QImage PreviewLoader::decode(const QString& path, QSize size) {
    if (path.isEmpty() || size.isEmpty())
        return {};
    // Stretched without keeping proportions: the preview fills its frame.
    const LoadedPicture picture = picture_loader::decode(path, ShowGeometry{size, true, false});
    if (!picture.ok || picture.image.isNull())
        return {};
    if (picture.image.size() != size)
        return picture.image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture.image;
}

void PreviewLoader::request(const QString& path, QSize size) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = Job{++latest_, path, size};
    }
    wake_.notify_one();
}

void PreviewLoader::cancel() {
    std::lock_guard lock(mutex_);
    waiting_.reset();
    delivered_ = ++latest_;
}

bool PreviewLoader::busy() const {
    std::lock_guard lock(mutex_);
    return delivered_ != latest_;
}

int PreviewLoader::decodesStarted() const {
    std::lock_guard lock(mutex_);
    return decodesStarted_;
}

void PreviewLoader::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || waiting_; });
            if (stopping_)
                return;
            job = std::move(*waiting_);
            waiting_.reset();
            ++decodesStarted_;
        }
        QImage image = decode(job.path, job.size);
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, ticket = job.ticket, path = job.path, image = std::move(image)] {
                deliver(ticket, path, image);
            },
            Qt::QueuedConnection);
    }
}

void PreviewLoader::deliver(quint64 ticket, const QString& path, const QImage& image) {
    {
        std::lock_guard lock(mutex_);
        if (ticket != latest_)
            return;
        delivered_ = ticket;
    }
    emit ready(path, image);
}
