// The processor time of a thumbnail of a 12 megapixel JPEG (4000 x 3000), decoded at an eighth of
// its size and written as a small JPEG. The argument is the amplitude of the noise laid on the
// picture's gradients: 16 makes about 3 MB, what a phone writes for 12 megapixels, 4 and 64 a
// smoother and a much busier picture. Decoding costs by the compressed byte, not by the pixel.
#include "pictures/Thumbnail.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <benchmark/benchmark.h>
#include <random>

namespace {

std::vector<std::uint8_t> texturedJpeg(int noiseAmplitude) {
    QImage picture(4000, 3000, QImage::Format_RGB32);
    std::mt19937 random(12);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int noise = static_cast<int>(random() % static_cast<unsigned>(noiseAmplitude));
            line[x] = qRgb((x / 16 + noise) % 256, (y / 12 + noise) % 256, ((x + y) / 20) % 256);
        }
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(picture);
    return {jpeg.begin(), jpeg.end()};
}

void BM_Thumbnail12Megapixels(benchmark::State& state) {
    const std::vector<std::uint8_t> jpeg = texturedJpeg(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvex::pictures::makeThumbnail(jpeg));
    state.counters["source_MB"] = static_cast<double>(jpeg.size()) / 1e6;
}
BENCHMARK(BM_Thumbnail12Megapixels)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

} // namespace
