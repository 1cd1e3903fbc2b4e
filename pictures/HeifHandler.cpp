#include "pictures/HeifHandler.h"

#include "pictures/HeifBrands.h"
#include "pictures/PictureBounds.h"

#include <QIODevice>
#include <QImage>
#include <QVariant>
#include <cstring>
#include <libheif/heif.h>
#include <mutex>

namespace tarvex::pictures {

namespace {

// libheif registers its decoders once for the whole program, and keeps them to its end.
void initialiseLibheif() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

// Pictures are read into memory whole; no phone picture comes near this.
constexpr qint64 fileSizeBound = 512 * 1024 * 1024;

struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};

bool withinBounds(int width, int height) {
    return width > 0 && height > 0 && width <= heifSideBound && height <= heifSideBound &&
           std::int64_t{width} * height <= heifPixelBound;
}

} // namespace

void HeifHandler::ContextFree::operator()(heif_context* context) const {
    heif_context_free(context);
}

void HeifHandler::HandleRelease::operator()(heif_image_handle* handle) const {
    heif_image_handle_release(handle);
}

HeifHandler::HeifHandler() = default;
HeifHandler::~HeifHandler() = default;

bool HeifHandler::canRead(QIODevice* device) {
    return device != nullptr && heifBrandsMatch(device->peek(heifHeaderLength));
}

bool HeifHandler::canRead() const {
    if (parsed_)
        return primary_ != nullptr;
    if (!canRead(device()))
        return false;
    setFormat("heic");
    return true;
}

bool HeifHandler::parse() {
    if (parsed_)
        return primary_ != nullptr;
    parsed_ = true;
    QIODevice* source = device();
    if (source == nullptr || !canRead(source))
        return false;
    if (!source->isSequential() && source->size() - source->pos() > fileSizeBound)
        return false;
    bytes_ = source->read(fileSizeBound + 1);
    if (bytes_.size() > fileSizeBound)
        return false;
    initialiseLibheif();
    context_.reset(heif_context_alloc());
    heif_context_set_maximum_image_size_limit(context_.get(), heifSideBound);
    if (heif_context_read_from_memory_without_copy(context_.get(), bytes_.constData(),
                                                   static_cast<size_t>(bytes_.size()), nullptr)
            .code != heif_error_Ok)
        return false;
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context_.get(), &primary).code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_image_handle, HandleRelease> held(primary);
    const int width = heif_image_handle_get_width(primary);
    const int height = heif_image_handle_get_height(primary);
    if (!withinBounds(width, height) || !withinBounds(heif_image_handle_get_ispe_width(primary),
                                                      heif_image_handle_get_ispe_height(primary)))
        return false;
    size_ = QSize(width, height);
    primary_ = std::move(held);
    return true;
}

bool HeifHandler::decodeInto(QImage* image) {
    const bool alpha = heif_image_handle_has_alpha_channel(primary_.get()) != 0;
    const heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    heif_image* decoded = nullptr;
    if (heif_decode_image(primary_.get(), &decoded, heif_colorspace_RGB, chroma, nullptr).code !=
        heif_error_Ok)
        return false;
    const std::unique_ptr<heif_image, ImageRelease> held(decoded);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* pixels =
        heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (pixels == nullptr || !withinBounds(width, height))
        return false;
    QImage result;
    if (!allocateImage(QSize(width, height),
                       alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888, &result))
        return false;
    const auto rowBytes = static_cast<std::size_t>(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y)
        std::memcpy(result.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * stride, rowBytes);
    *image = std::move(result);
    return true;
}

bool HeifHandler::read(QImage* image) {
    return parse() && decodeInto(image);
}

bool HeifHandler::supportsOption(ImageOption option) const {
    return option == Size;
}

QVariant HeifHandler::option(ImageOption option) const {
    if (option != Size)
        return {};
    // Parsing caches what the file says; the handler's state is otherwise unchanged by it.
    auto* self = const_cast<HeifHandler*>(this);
    return self->parse() ? QVariant(size_) : QVariant();
}

} // namespace tarvex::pictures
