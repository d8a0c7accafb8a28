#include "drawing/kor_resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "store/kor_error.h"

namespace korin {
namespace {

double Sinc(double x) {
    if (x == 0.0) return 1.0;
    x *= std::numbers::pi;
    return std::sin(x) / x;
}

// A position outside 0 … size−1 mirrored back into it.
int32_t Mirror(int64_t j, int32_t size) {
    if (j < 0) j = -j;
    if (j >= size) j = 2 * static_cast<int64_t>(size) - j - 1;
    return static_cast<int32_t>(std::clamp<int64_t>(j, 0, size - 1));
}

double AxisScale(int32_t source, int32_t target) {
    if (source == 1 || target == 1) return static_cast<double>(target) / source;
    return static_cast<double>(target - 1) / (source - 1);
}

uint8_t Channel(uint32_t pixel, int shift) { return static_cast<uint8_t>(pixel >> shift); }

uint32_t Combine(const std::vector<TKorContributor>& list, auto&& pixelOf) {
    double r = 0, g = 0, b = 0;
    for (const TKorContributor& c : list) {
        const uint32_t p = pixelOf(c.pixel);
        r += Channel(p, 16) * c.weight;
        g += Channel(p, 8) * c.weight;
        b += Channel(p, 0) * c.weight;
    }
    const auto clamp = [](double v) { return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
    return 0xFF000000u | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

}  // namespace

const char* FilterName(TKorResampleFilter filter) {
    switch (filter) {
        case TKorResampleFilter::Box: return "Box";
        case TKorResampleFilter::Triangle: return "Triangle";
        case TKorResampleFilter::Hermite: return "Hermite";
        case TKorResampleFilter::Bell: return "Bell";
        case TKorResampleFilter::BSpline: return "B-Spline";
        case TKorResampleFilter::Lanczos3: return "Lanczos3";
        case TKorResampleFilter::Mitchell: return "Mitchell";
    }
    return "";
}

double FilterSupport(TKorResampleFilter filter) {
    switch (filter) {
        case TKorResampleFilter::Box: return 0.5;
        case TKorResampleFilter::Triangle:
        case TKorResampleFilter::Hermite: return 1.0;
        case TKorResampleFilter::Bell: return 1.5;
        case TKorResampleFilter::BSpline:
        case TKorResampleFilter::Mitchell: return 2.0;
        case TKorResampleFilter::Lanczos3: return 3.0;
    }
    return 0.0;
}

double FilterValue(TKorResampleFilter filter, double t) {
    if (filter == TKorResampleFilter::Box) return t > -0.5 && t <= 0.5 ? 1.0 : 0.0;
    t = std::fabs(t);
    const double tt = t * t;
    switch (filter) {
        case TKorResampleFilter::Triangle: return t < 1.0 ? 1.0 - t : 0.0;
        case TKorResampleFilter::Hermite: return t < 1.0 ? (2.0 * t - 3.0) * tt + 1.0 : 0.0;
        case TKorResampleFilter::Bell:
            if (t < 0.5) return 0.75 - tt;
            return t < 1.5 ? 0.5 * (t - 1.5) * (t - 1.5) : 0.0;
        case TKorResampleFilter::BSpline:
            if (t < 1.0) return 0.5 * tt * t - tt + 2.0 / 3.0;
            return t < 2.0 ? (2.0 - t) * (2.0 - t) * (2.0 - t) / 6.0 : 0.0;
        case TKorResampleFilter::Lanczos3: return t < 3.0 ? Sinc(t) * Sinc(t / 3.0) : 0.0;
        case TKorResampleFilter::Mitchell:
            if (t < 1.0) return (7.0 * tt * t - 12.0 * tt + 16.0 / 3.0) / 6.0;
            return t < 2.0 ? (-7.0 / 3.0 * tt * t + 12.0 * tt - 20.0 * t + 32.0 / 3.0) / 6.0 : 0.0;
        default: return 0.0;
    }
}

std::vector<std::vector<TKorContributor>> Contributors(int32_t sourceSize, int32_t targetSize,
                                                       TKorResampleFilter filter, double support) {
    std::vector<std::vector<TKorContributor>> out(static_cast<size_t>(std::max(targetSize, 0)));
    const double scale = AxisScale(sourceSize, targetSize);
    const double widen = scale < 1.0 ? 1.0 / scale : 1.0;
    const double width = support * widen;
    for (int32_t i = 0; i < targetSize; ++i) {
        const double center = i / scale;
        const int64_t left = static_cast<int64_t>(std::floor(center - width));
        const int64_t right = static_cast<int64_t>(std::ceil(center + width));
        for (int64_t j = left; j <= right; ++j) {
            const double weight = FilterValue(filter, (center - static_cast<double>(j)) / widen) / widen;
            if (weight != 0.0) out[static_cast<size_t>(i)].push_back({Mirror(j, sourceSize), weight});
        }
    }
    return out;
}

void Stretch(const TKorImage& source, TKorImage& target, TKorResampleFilter filter, double support) {
    if (source.width < 1 || source.height < 1) throw Exception("Source bitmap too small");
    if (target.width < 1 || target.height < 1) return;
    TKorImage work(target.width, source.height);
    const auto across = Contributors(source.width, target.width, filter, support);
    for (int32_t y = 0; y < source.height; ++y)
        for (int32_t x = 0; x < target.width; ++x)
            work.At(x, y) = Combine(across[static_cast<size_t>(x)], [&](int32_t p) { return source.At(p, y); });
    const auto down = Contributors(source.height, target.height, filter, support);
    for (int32_t x = 0; x < target.width; ++x)
        for (int32_t y = 0; y < target.height; ++y)
            target.At(x, y) = Combine(down[static_cast<size_t>(y)], [&](int32_t p) { return work.At(x, p); });
}

int32_t ZoomIn(int32_t scale) {
    return scale < 200 ? static_cast<int32_t>(std::nearbyint(scale * 1.3)) : scale;
}

int32_t ZoomOut(int32_t scale) {
    return scale >= 41 ? static_cast<int32_t>(std::nearbyint(scale / 1.3)) : scale;
}

int32_t DisplaySize(int32_t size, int32_t scale) {
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(size) * scale / 100.0)) + 1;
}

}  // namespace korin
