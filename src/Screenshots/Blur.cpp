#include "Screenshots/Blur.h"

#include "Foundation/BothCores.h"
#include "Foundation/LargeImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Blur {

namespace {

// One pixel's four channels in one register; written out so that the loops vectorise at any optimisation
// level.
typedef float Floats4 __attribute__((vector_size(16)));
typedef std::int32_t Ints4 __attribute__((vector_size(16)));
typedef std::uint32_t Counts4 __attribute__((vector_size(16)));
typedef std::uint8_t Bytes4 __attribute__((vector_size(4)));
typedef std::uint8_t Bytes16 __attribute__((vector_size(16)));
typedef std::uint16_t Words16 __attribute__((vector_size(32)));
typedef std::uint32_t Longs16 __attribute__((vector_size(64)));

// The reduced grid: n × m cells of k × k source pixels, plus `pad` cells of edge extension on every side.
struct Grid {
    int k = 1;
    int n = 0;
    int m = 0;
    int pad = 0;
    int paddedWidth() const { return n + 2 * pad; }
    int paddedHeight() const { return m + 2 * pad; }
    // RGBA, row by row over the padded grid.
    std::vector<Floats4> cells;
    Floats4* cell(int i, int j)
    {
        return cells.data() + static_cast<size_t>(j + pad) * paddedWidth() + i + pad;
    }
};

std::vector<float> gaussianKernel(double sigma, int radius)
{
    std::vector<float> kernel(2 * radius + 1);
    double total = 0;
    std::vector<double> exact(kernel.size());
    for (int t = -radius; t <= radius; ++t)
        total += exact[t + radius] = std::exp(-t * t / (2 * sigma * sigma));
    for (size_t t = 0; t < kernel.size(); ++t)
        kernel[t] = static_cast<float>(exact[t] / total);
    return kernel;
}

// The sums of k source rows from `firstRow` on (clamped to the picture), channel by channel, 16 channels to a
// vector. 16-bit lanes hold the sums of up to 257 rows; wider cells need 32-bit ones.
template <typename Lanes16>
void sumRows(const QImage& source, int firstRow, int k, std::vector<Lanes16>& sums)
{
    const int bytes = source.width() * 4;
    const int wholeBlocks = bytes / 16;
    std::fill(sums.begin(), sums.end(), Lanes16 {});
    for (int t = 0; t < k; ++t) {
        const uchar* row = source.constScanLine(std::clamp(firstRow + t, 0, source.height() - 1));
        for (int b = 0; b < wholeBlocks; ++b) {
            Bytes16 block;
            std::memcpy(&block, row + 16 * b, sizeof block);
            sums[b] += __builtin_convertvector(block, Lanes16);
        }
        if (wholeBlocks * 16 < bytes) {
            Bytes16 block = {};
            std::memcpy(&block, row + 16 * wholeBlocks, bytes - 16 * wholeBlocks);
            sums[wholeBlocks] += __builtin_convertvector(block, Lanes16);
        }
    }
}

template <typename Lanes16> Counts4 columnSum(const std::vector<Lanes16>& sums, int x)
{
    const Lanes16& block = sums[x / 4];
    const int lane = 4 * (x % 4);
    return Counts4 { block[lane], block[lane + 1], block[lane + 2], block[lane + 3] };
}

// One padded grid row: the sums of the k × k pixels of each cell, source rows from `firstRow` on. Cells left
// and right of the picture repeat its edge columns.
template <typename Lanes16>
void reduceRow(const QImage& source, Grid& grid, int j, int firstRow, std::vector<Lanes16>& sums)
{
    const int width = source.width();
    const int k = grid.k;
    sumRows(source, firstRow, k, sums);
    const float scale = 1.0f / (static_cast<float>(k) * k);
    Floats4* target = grid.cell(-grid.pad, j);
    const Floats4 leftCell = __builtin_convertvector(columnSum(sums, 0), Floats4) * (k * scale);
    const Floats4 rightCell = __builtin_convertvector(columnSum(sums, width - 1), Floats4) * (k * scale);
    for (int i = -grid.pad; i < 0; ++i)
        *target++ = leftCell;
    for (int i = 0; i < grid.n; ++i) {
        Counts4 total = {};
        for (int s = 0; s < k; ++s)
            total += columnSum(sums, std::min(i * k + s, width - 1));
        *target++ = __builtin_convertvector(total, Floats4) * scale;
    }
    for (int i = 0; i < grid.pad; ++i)
        *target++ = rightCell;
}

template <typename Lanes16> void reduceRows(const QImage& source, Grid& grid, int first, int end)
{
    const int k = grid.k;
    std::vector<Lanes16> sums((source.width() * 4 + 15) / 16);
    for (int index = first; index < end; ++index) {
        // Index 0 is the row above the picture, m + 1 the row below it, the rest the picture's own.
        const int j = index == 0 ? -1 : index == grid.m + 1 ? grid.m : index - 1;
        const int firstRow = j < 0 ? -k : j >= grid.m ? source.height() + k : j * k;
        reduceRow(source, grid, j, firstRow, sums);
    }
}

void reduce(const QImage& source, Grid& grid, bool large)
{
    const int k = grid.k;
    // Rows wholly above or below the picture are all the same; they are made once and copied.
    auto rowOfCells = [&](int j) {
        return grid.cells.begin() + static_cast<std::ptrdiff_t>(j + grid.pad) * grid.paddedWidth();
    };
    const bool ok = onBothCores(grid.m + 2, large, [&](int first, int end) {
        if (k <= 257)
            reduceRows<Words16>(source, grid, first, end);
        else
            reduceRows<Longs16>(source, grid, first, end);
    });
    if (!ok)
        throw std::bad_alloc();
    for (int j = -grid.pad; j < -1; ++j)
        std::copy_n(rowOfCells(-1), grid.paddedWidth(), rowOfCells(j));
    for (int j = grid.m + 1; j < grid.m + grid.pad; ++j)
        std::copy_n(rowOfCells(grid.m), grid.paddedWidth(), rowOfCells(j));
}

// The exact Gaussian over the padded grid, rows then columns; afterwards cells within `radius` of the padded
// border hold nothing useful, every other cell its blurred value.
void blurGrid(Grid& grid, const std::vector<float>& kernel, bool large)
{
    const int radius = static_cast<int>(kernel.size() / 2);
    const int width = grid.paddedWidth();
    const int height = grid.paddedHeight();
    std::vector<Floats4> across(grid.cells.size());
    onBothCores(height, large, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const Floats4* in = grid.cells.data() + static_cast<size_t>(y) * width;
            Floats4* out = across.data() + static_cast<size_t>(y) * width;
            for (int x = radius; x < width - radius; ++x) {
                Floats4 sum = {};
                const Floats4* window = in + x - radius;
                for (size_t t = 0; t < kernel.size(); ++t)
                    sum += kernel[t] * window[t];
                out[x] = sum;
            }
        }
    });
    onBothCores(height - 2 * radius, large, [&](int first, int end) {
        for (int y = first + radius; y < end + radius; ++y) {
            Floats4* out = grid.cells.data() + static_cast<size_t>(y) * width;
            std::fill(out, out + width, Floats4 {});
            for (size_t t = 0; t < kernel.size(); ++t) {
                const Floats4* in = across.data() + (y - radius + t) * width;
                const float weight = kernel[t];
                for (int x = 0; x < width; ++x)
                    out[x] += weight * in[x];
            }
        }
    });
}

// Truncates the four channels into bytes.
inline void storePixel(uchar* target, Floats4 value)
{
#if defined(__SSE2__)
    // The compiler narrows vectors lane by lane; the saturating packs do it in two instructions.
    const __m128i ints = _mm_cvttps_epi32(reinterpret_cast<__m128>(value));
    const __m128i words = _mm_packs_epi32(ints, ints);
    const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
#else
    const Bytes4 bytes = __builtin_convertvector(__builtin_convertvector(value, Ints4), Bytes4);
#endif
    std::memcpy(target, &bytes, sizeof bytes);
}

// Four pixels along a straight ramp: value, value + step, …
inline void storeFourPixels(uchar* target, Floats4 value, Floats4 step)
{
#if defined(__SSE2__)
    const __m128i first = _mm_cvttps_epi32(reinterpret_cast<__m128>(value));
    const __m128i second = _mm_cvttps_epi32(reinterpret_cast<__m128>(value + step));
    const __m128i third = _mm_cvttps_epi32(reinterpret_cast<__m128>(value + 2 * step));
    const __m128i fourth = _mm_cvttps_epi32(reinterpret_cast<__m128>(value + 3 * step));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(first, second), _mm_packs_epi32(third, fourth));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target), bytes);
#else
    for (int p = 0; p < 4; ++p)
        storePixel(target + 4 * p, value + p * step);
#endif
}

// Bilinear interpolation back to full size; cell centres sit at i·k + (k − 1)/2. Along a row the value
// changes by a constant step between two cell centres, so each pixel costs one addition.
void enlarge(Grid& grid, QImage& result, bool large)
{
    const int width = result.width();
    const int k = grid.k;
    struct Run {
        int begin, end, cell;
        float fraction;
    };
    std::vector<Run> runs;
    for (int x = 0; x < width; ++x) {
        const double u = (x - (k - 1) / 2.0) / k;
        const int cell = static_cast<int>(std::floor(u));
        if (runs.empty() || runs.back().cell != cell)
            runs.push_back({ x, x, cell, static_cast<float>(u - cell) });
        runs.back().end = x + 1;
    }
    const Floats4 half = { 0.5f, 0.5f, 0.5f, 0.5f };
    const float perPixel = 1.0f / k;
    const bool ok = onBothCores(result.height(), large, [&](int first, int end) {
        std::vector<Floats4> row(static_cast<size_t>(grid.paddedWidth()));
        for (int y = first; y < end; ++y) {
            const double v = (y - (k - 1) / 2.0) / k;
            const int top = static_cast<int>(std::floor(v));
            const float down = static_cast<float>(v - top);
            const Floats4* above = grid.cell(-grid.pad, top);
            const Floats4* below = grid.cell(-grid.pad, top + 1);
            for (size_t i = 0; i < row.size(); ++i)
                row[i] = above[i] + down * (below[i] - above[i]);
            uchar* target = result.scanLine(y);
            for (const Run& run : runs) {
                const Floats4 a = row[run.cell + grid.pad];
                const Floats4 difference = row[run.cell + grid.pad + 1] - a;
                const Floats4 step = difference * perPixel;
                // Weighted means of 0…255 stay within 0.5…255.5 here, so truncation never leaves a byte.
                Floats4 value = a + difference * run.fraction + half;
                int x = run.begin;
                for (; x + 4 <= run.end; x += 4, value += 4 * step)
                    storeFourPixels(target + 4 * x, value, step);
                for (; x < run.end; ++x, value += step)
                    storePixel(target + 4 * x, value);
            }
        }
    });
    if (!ok)
        throw std::bad_alloc();
}

} // namespace

double sigmaFor(QSize size)
{
    return std::max(0.018 * std::min(size.width(), size.height()), 10.0);
}

QImage gaussian(const QImage& image, double sigma)
{
    if (image.isNull())
        return {};
    QImage source = image;
    if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32_Premultiplied)
        source = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (source.isNull())
        return {};
    if (!(sigma > 0) || !std::isfinite(sigma))
        return source.copy();
    // Beyond this the kernel covers any picture many times over; the result no longer changes visibly.
    sigma = std::min(sigma, 4096.0);

    Grid grid;
    grid.k = std::max(1, static_cast<int>(sigma / 5));
    const int k = grid.k;
    // The averaging adds the variance of a k-wide box, the interpolation on average that of a k-wide tent.
    const double cellSigma = std::sqrt(std::max(sigma * sigma - (k * k - 1) / 4.0, 0.01)) / k;
    const int radius = static_cast<int>(std::ceil(4 * cellSigma));
    grid.n = (source.width() + k - 1) / k;
    grid.m = (source.height() + k - 1) / k;
    grid.pad = radius + 1;

    QImage result = LargeImage::allocate(source.size(), source.format());
    if (result.isNull())
        return {};
    const bool large = static_cast<long long>(source.width()) * source.height() >= 256 * 256;
    try {
        grid.cells.resize(static_cast<size_t>(grid.paddedWidth()) * grid.paddedHeight());
        reduce(source, grid, large);
        blurGrid(grid, gaussianKernel(cellSigma, radius), large);
        enlarge(grid, result, large);
    } catch (const std::bad_alloc&) {
        return {};
    }
    return result;
}

} // namespace Blur
