// Bitmap resampling for the page pictures, and the zoom steps of the picture.
//
// Stretch fills a target image, whose size is set, with the separable two-pass
// filtered scaling of the source: rows horizontally into a work image of target
// width and source height, then its columns vertically. The scale per axis is
// (target − 1) / (source − 1), or target / source when either size is 1. For
// each target pixel the contributing source pixels and weights are computed once
// per row or column: below scale 1 the filter is widened by 1 / scale and its
// values multiplied by scale; source positions outside the image are mirrored
// back into it. Each colour channel is the weighted sum, rounded and clamped to
// 0 … 255. A source with a zero dimension raises Exception "Source bitmap too
// small".
//
// Kernels, for the distance t (Box is the one asymmetric kernel):
//   Box       1 for −0.5 < t ≤ 0.5                     support 0.5
//   Triangle  1 − |t| for |t| < 1                      support 1
//   Hermite   (2|t| − 3)·t² + 1 for |t| < 1           support 1
//   Bell      0.75 − t² below 0.5, 0.5·(|t| − 1.5)² below 1.5     support 1.5
//   B-Spline  0.5·|t|³ − t² + 2/3 below 1, (2 − |t|)³ / 6 below 2  support 2
//   Lanczos3  sinc(t)·sinc(t/3) below 3                support 3
//   Mitchell  B = C = 1/3                              support 2
// and 0 elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korin {

enum class TKorResampleFilter { Box, Triangle, Hermite, Bell, BSpline, Lanczos3, Mitchell };

// The filter's name ("Box", "Triangle", "Hermite", "Bell", "B-Spline",
// "Lanczos3", "Mitchell") and support radius.
const char* FilterName(TKorResampleFilter filter);
double FilterSupport(TKorResampleFilter filter);
double FilterValue(TKorResampleFilter filter, double t);

// An image of 32-bit pixels 0xAARRGGBB, row by row (QImage::Format_RGB32 and
// ARGB32 lay their pixels out so). Alpha is written as 255.
struct TKorImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    TKorImage() = default;
    TKorImage(int32_t w, int32_t h) : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h)) {}
    uint32_t& At(int32_t x, int32_t y) {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    uint32_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

void Stretch(const TKorImage& source, TKorImage& target, TKorResampleFilter filter, double support);

// One contributing source pixel of a target pixel.
struct TKorContributor {
    int32_t pixel;
    double weight;
};
// The contributors of every target position along one axis.
std::vector<std::vector<TKorContributor>> Contributors(int32_t sourceSize, int32_t targetSize,
                                                       TKorResampleFilter filter, double support);

// The picture's zoom, in percent. Left button: below 200, times 1.3 rounded to
// the nearest integer (ties to even). Right button: from 41, divided by 1.3,
// rounded. Middle button: 100. Otherwise the scale stays.
int32_t ZoomIn(int32_t scale);
int32_t ZoomOut(int32_t scale);
constexpr int32_t kZoomReset = 100;

// The displayed size of a picture dimension: round(size · scale / 100) + 1.
int32_t DisplaySize(int32_t size, int32_t scale);

}  // namespace korin
