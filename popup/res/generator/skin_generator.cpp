// Draws the pop-up's resources: the three skin bitmaps (24-bit, uncompressed) and the
// program icon (16, 32 and 48 pixels, 256 colours). The files in popup/res are this
// program's output, kept so that the build needs nothing but the repository.
//
// usage: skin_generator <output directory>
//
// Skin atlas (skin pixels, right and bottom exclusive): the frame (0,0)-(80,60), cut for
// nine-slice scaling at x 35 and 45, y 25 and 30; close-button cells 40 x 18 at x 0, 40, 80
// of row 60 (normal, hover, pressed); view-button cells 50 x 20 at x 0, 50, 100 of row 80.
// Every other pixel is the key colour, magenta.
//
// Only integer arithmetic and exact IEEE operations are used, so the output is the same
// byte for byte on every machine.
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Colour = std::uint32_t;  // 0xRRGGBB

constexpr Colour kKey = 0xFF00FF;
constexpr Colour kWhite = 0xFFFFFF;

int red(Colour c) { return (c >> 16) & 0xFF; }
int green(Colour c) { return (c >> 8) & 0xFF; }
int blue(Colour c) { return c & 0xFF; }
Colour rgb(int r, int g, int b) { return (Colour(r) << 16) | (Colour(g) << 8) | Colour(b); }

// a + (b - a) * num / den, rounded to nearest, per channel.
Colour mix(Colour a, Colour b, int num, int den)
{
    auto channel = [&](int x, int y) { return (x * (den - num) + y * num + den / 2) / den; };
    return rgb(channel(red(a), red(b)), channel(green(a), green(b)), channel(blue(a), blue(b)));
}

struct Image {
    int width, height;
    std::vector<Colour> pixels;
    Image(int w, int h, Colour fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    Colour get(int x, int y) const { return pixels[size_t(y) * width + x]; }
    void set(int x, int y, Colour c)
    {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[size_t(y) * width + x] = c;
    }
    void fill(int left, int top, int right, int bottom, Colour c)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                set(x, y, c);
    }
    // Vertical shading from `from` at row top to `to` at row bottom - 1.
    void shade(int left, int top, int right, int bottom, Colour from, Colour to)
    {
        const int span = bottom - top - 1 > 0 ? bottom - top - 1 : 1;
        for (int y = top; y < bottom; ++y)
            fill(left, y, right, y + 1, mix(from, to, y - top, span));
    }
};

// ---- Shapes drawn with 4 x 4 samples per pixel, blended by the share of samples covered.

constexpr int kSamples = 4;

struct Shape {
    virtual ~Shape() = default;
    virtual bool covers(double x, double y) const = 0;
};

struct Segment : Shape {
    double ax, ay, bx, by, halfWidth;
    Segment(double ax_, double ay_, double bx_, double by_, double width)
        : ax(ax_), ay(ay_), bx(bx_), by(by_), halfWidth(width / 2) {}
    bool covers(double x, double y) const override
    {
        const double dx = bx - ax, dy = by - ay;
        double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
        t = t < 0 ? 0 : t > 1 ? 1 : t;
        const double px = ax + t * dx - x, py = ay + t * dy - y;
        return px * px + py * py <= halfWidth * halfWidth;
    }
};

struct Ring : Shape {
    double cx, cy, inner, outer;
    Ring(double cx_, double cy_, double inner_, double outer_)
        : cx(cx_), cy(cy_), inner(inner_), outer(outer_) {}
    bool covers(double x, double y) const override
    {
        const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d >= inner * inner && d <= outer * outer;
    }
};

// Blends colour over the pixels of the shapes, offset by (dx, dy) pixels.
void paint(Image& image, int left, int top, int right, int bottom,
           const std::vector<const Shape*>& shapes, Colour colour)
{
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples;
                    const double py = y + (sy + 0.5) / kSamples;
                    for (const Shape* s : shapes) {
                        if (s->covers(px, py)) {
                            ++covered;
                            break;
                        }
                    }
                }
            }
            if (covered > 0)
                image.set(x, y, mix(image.get(x, y), colour, covered, kSamples * kSamples));
        }
    }
}

// A close mark: two crossing strokes centred at (cx, cy).
void drawCross(Image& image, int left, int top, int right, int bottom, double cx, double cy,
               double arm, double width, Colour colour)
{
    const Segment a(cx - arm, cy - arm, cx + arm, cy + arm, width);
    const Segment b(cx - arm, cy + arm, cx + arm, cy - arm, width);
    paint(image, left, top, right, bottom, {&a, &b}, colour);
}

// ---- The view mark: a magnifying glass and the word 查看 as 11 x 14 pixel glyphs.

const char* const kGlyphCha[] = {
    ".....#.....",
    "###########",
    "....###....",
    "...#.#.#...",
    "..#..#..#..",
    "##...#...##",
    "..#######..",
    "..#.....#..",
    "..#######..",
    "..#.....#..",
    "..#######..",
    "...........",
    "###########",
    "...........",
};
const char* const kGlyphKan[] = {
    ".......###.",
    "..#####....",
    ".....#.....",
    "..#######..",
    ".....#.....",
    "###########",
    "....#......",
    "..########.",
    ".##.....#..",
    "#.#######..",
    "..#.....#..",
    "..#######..",
    "..#.....#..",
    "..#######..",
};

void drawGlyph(Image& image, const char* const rows[], int rowCount, int left, int top, Colour c)
{
    for (int y = 0; y < rowCount; ++y)
        for (int x = 0; rows[y][x]; ++x)
            if (rows[y][x] == '#')
                image.set(left + x, top + y, c);
}

// One view-button cell of 50 x 20 at (left, top); pressed moves the mark by one pixel.
void drawViewCell(Image& image, int left, int top, Colour background, Colour ink, bool pressed)
{
    image.fill(left, top, left + 50, top + 20, background);
    const int shift = pressed ? 1 : 0;
    const double ox = left + 3 + shift, oy = top + 3 + shift;
    const Ring lens(ox + 5.5, oy + 5.5, 3.4, 5.0);
    const Segment handle(ox + 9.2, oy + 9.2, ox + 12.6, oy + 12.6, 2.4);
    paint(image, left, top, left + 50, top + 20, {&lens, &handle}, ink);
    drawGlyph(image, kGlyphCha, 14, left + 19 + shift, top + 3 + shift, ink);
    drawGlyph(image, kGlyphKan, 14, left + 33 + shift, top + 3 + shift, ink);
}

// ---- The frame.

struct FrameLook {
    Colour border;
    Colour bandTop, bandBottom;    // rows 1-23, shaded
    Colour body;                   // rows 24-58
    Colour stripeLine;             // rows 24 and 30 (0: none)
    Colour stripe;                 // rows 25-29 (0: body)
    Colour separator1, separator2; // rows 30 and 31 (0: none)
};

void drawFrame(Image& image, const FrameLook& look)
{
    image.fill(0, 0, 80, 60, look.border);
    image.shade(1, 1, 79, 24, look.bandTop, look.bandBottom);
    image.fill(1, 24, 79, 59, look.body);
    if (look.stripe)
        image.fill(1, 25, 79, 30, look.stripe);
    if (look.stripeLine) {
        image.fill(1, 24, 79, 25, look.stripeLine);
        image.fill(1, 30, 79, 31, look.stripeLine);
    }
    if (look.separator1) {
        image.fill(1, 30, 79, 31, look.separator1);
        image.fill(1, 31, 79, 32, look.separator2);
    }
    // Softened corners: the outermost pixel is left out (key colour), its two neighbours
    // are half border, half inside.
    const int cornerX[] = {0, 79}, cornerY[] = {0, 59};
    for (int cx : cornerX) {
        for (int cy : cornerY) {
            const int ix = cx == 0 ? 1 : 78, iy = cy == 0 ? 1 : 58;
            image.set(cx, cy, kKey);
            image.set(ix, cy, mix(look.border, image.get(ix, iy), 1, 2));
            image.set(cx, iy, mix(look.border, image.get(ix, iy), 1, 2));
        }
    }
}

// Close cell n (0 normal, 1 hover, 2 pressed) shows what the frame has under the button at
// the top-right corner of the window: the frame's columns 40-79 of rows 1-18 (its right
// border included), with the cell's own face drawn over columns left of the border.
void copyFrameUnderClose(Image& image, int cell)
{
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 40; ++x)
            image.set(cell * 40 + x, 60 + y, image.get(40 + x, 1 + y));
}

struct Shading {
    Colour top, bottom;
};

// Close cells with a white cross: on the frame (normal), on the hover and the pressed
// shadings; the pressed cross sits half a pixel lower and further right.
void drawShadedCloseCells(Image& image, Shading hover, Shading pressed)
{
    const Shading faces[] = {{}, hover, pressed};
    for (int cell = 0; cell < 3; ++cell) {
        copyFrameUnderClose(image, cell);
        const int left = cell * 40;
        if (cell > 0)
            image.shade(left, 60, left + 39, 78, faces[cell].top, faces[cell].bottom);
        const double press = cell == 2 ? 0.5 : 0;
        drawCross(image, left, 60, left + 39, 78, left + 20 + press, 69 + press, 3.6, 1.7, kWhite);
    }
}

Image lightSkin()
{
    Image image(150, 80, kKey);
    FrameLook look = {};
    look.border = 0x1D465B;
    look.bandTop = 0x55A4CA;
    look.bandBottom = 0xF2F7F9;
    look.body = 0xF2F7F9;
    look.separator1 = 0xB2DDF5;
    look.separator2 = kWhite;
    drawFrame(image, look);

    drawShadedCloseCells(image, {0xFF3300, 0xFF7447}, {0xBE5134, 0x9E3F26});
    return image;  // rows 78 and 79 stay key colour: this skin has no view button
}

Image cyanSkin()
{
    Image image(150, 100, kKey);
    FrameLook look = {};
    look.border = 0x7FB5C1;
    look.bandTop = 0xD2F0F4;
    look.bandBottom = 0xB8E5EB;
    look.body = 0xB8E5EB;
    look.stripeLine = 0x8FC7D1;
    look.stripe = 0xC9EAF1;
    drawFrame(image, look);

    const Colour boxFill[] = {0, 0xD0E8F6, 0xBDD3E0};
    for (int cell = 0; cell < 3; ++cell) {
        copyFrameUnderClose(image, cell);
        const int left = cell * 40;
        if (cell > 0) {
            image.fill(left + 11, 61, left + 35, 77, 0x7D98A7);
            image.fill(left + 12, 62, left + 34, 76, boxFill[cell]);
        }
        drawCross(image, left, 60, left + 39, 78, left + 23, 69, 3.6, 1.5, 0x5E6E78);
    }
    drawViewCell(image, 0, 80, 0xB8E5EB, 0x001C30, false);
    drawViewCell(image, 50, 80, 0xB8E5EB, 0x3A90B9, false);
    drawViewCell(image, 100, 80, 0xB8E5EB, 0x3A90B9, true);
    return image;
}

Image blueSkin()
{
    Image image(150, 100, kKey);
    FrameLook look = {};
    look.border = 0x2B62A0;
    look.bandTop = 0x4996DC;
    look.bandBottom = 0x4996DC;
    look.body = 0x4C93D5;
    look.stripeLine = 0x2E6DAE;
    look.stripe = kWhite;
    drawFrame(image, look);

    drawShadedCloseCells(image, {0x9B1E26, 0x7A1219}, {0x72050C, 0x520307});
    drawViewCell(image, 0, 80, 0x4C93D5, 0xB7D4EE, false);
    drawViewCell(image, 50, 80, 0x4C93D5, kWhite, false);
    drawViewCell(image, 100, 80, 0x4C93D5, kWhite, true);
    return image;
}

// ---- File formats (little-endian, written byte by byte).

void put16(std::string& out, unsigned v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putInfoHeader(std::string& out, int width, int height, int bits, std::uint32_t imageSize,
                   std::uint32_t coloursUsed)
{
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));
    put16(out, 1);
    put16(out, unsigned(bits));
    put32(out, 0);  // BI_RGB: uncompressed
    put32(out, imageSize);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, coloursUsed);
    put32(out, 0);
}

std::string bitmapFile(const Image& image)
{
    const int rowBytes = (image.width * 3 + 3) & ~3;
    const std::uint32_t imageSize = std::uint32_t(rowBytes) * image.height;
    std::string out;
    out += "BM";
    put32(out, 14 + 40 + imageSize);
    put32(out, 0);
    put32(out, 14 + 40);
    putInfoHeader(out, image.width, image.height, 24, imageSize, 0);
    for (int y = image.height - 1; y >= 0; --y) {  // bottom-up
        std::string row;
        for (int x = 0; x < image.width; ++x) {
            const Colour c = image.get(x, y);
            row += char(blue(c));
            row += char(green(c));
            row += char(red(c));
        }
        row.resize(size_t(rowBytes), '\0');
        out += row;
    }
    return out;
}

// ---- The icon: a label printer, with a label coming out of its slot.

constexpr Colour kIconColours[] = {
    0x1D465B, 0x2D7BC4, 0x4A9BE0, 0x1A5C9A, 0xFFFFFF, 0xDCE6EC, 0x9AAAB4, 0x163A52, 0x3CC864,
};

struct IconPixels {
    int size;
    std::vector<int> index;       // palette index per pixel, top-down
    std::vector<bool> transparent;
};

struct Rect01 {
    double left, top, right, bottom;
    bool covers(double u, double v) const { return u >= left && u < right && v >= top && v < bottom; }
};

// The colour of the icon at (u, v) in [0, 1), or -1 where it is transparent.
int iconColourAt(double u, double v)
{
    const Rect01 paperOutline = {0.24, 0.06, 0.76, 0.42};
    const Rect01 paper = {0.28, 0.10, 0.72, 0.42};
    const Rect01 bodyOutline = {0.06, 0.32, 0.94, 0.80};
    const Rect01 body = {0.10, 0.36, 0.90, 0.76};
    const Rect01 bodyLight = {0.10, 0.36, 0.90, 0.46};
    const Rect01 slot = {0.20, 0.58, 0.80, 0.65};
    const Rect01 labelOutline = {0.26, 0.60, 0.74, 0.96};
    const Rect01 label = {0.30, 0.60, 0.70, 0.92};
    const Rect01 labelLine1 = {0.36, 0.70, 0.64, 0.74};
    const Rect01 labelLine2 = {0.36, 0.79, 0.56, 0.83};
    const Rect01 lamp = {0.76, 0.40, 0.84, 0.48};
    if (labelLine1.covers(u, v) || labelLine2.covers(u, v))
        return 6;
    if (label.covers(u, v))
        return 4;
    if (labelOutline.covers(u, v))
        return 0;
    if (slot.covers(u, v))
        return 7;
    if (lamp.covers(u, v))
        return 8;
    if (bodyLight.covers(u, v))
        return 2;
    if (body.covers(u, v))
        return v > 0.68 ? 3 : 1;
    if (bodyOutline.covers(u, v))
        return 0;
    if (paper.covers(u, v))
        return 5;
    if (paperOutline.covers(u, v))
        return 6;
    return -1;
}

// 256 colours: black first (transparent pixels must be black, since the colours are XORed
// onto what the mask keeps), the icon's own colours, every half-way blend of two of them
// (for the edges), then grey steps to fill the table.
std::vector<Colour> iconPalette()
{
    std::vector<Colour> palette = {0x000000};
    palette.insert(palette.end(), std::begin(kIconColours), std::end(kIconColours));
    const size_t own = std::size(kIconColours);
    for (size_t i = 0; i < own; ++i)
        for (size_t j = i + 1; j < own; ++j)
            palette.push_back(mix(kIconColours[i], kIconColours[j], 1, 2));
    for (int step = 1; palette.size() < 256; ++step)
        palette.push_back(rgb(step * 2, step * 2, step * 2));
    return palette;
}

int nearest(const std::vector<Colour>& palette, int r, int g, int b)
{
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long dr = red(palette[i]) - r, dg = green(palette[i]) - g, db = blue(palette[i]) - b;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

IconPixels renderIcon(int size, const std::vector<Colour>& palette)
{
    IconPixels icon{size, std::vector<int>(size_t(size) * size, 0),
                    std::vector<bool>(size_t(size) * size, true)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int covered = 0, r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const int c = iconColourAt((x + (sx + 0.5) / kSamples) / size,
                                               (y + (sy + 0.5) / kSamples) / size);
                    if (c < 0)
                        continue;
                    ++covered;
                    r += red(kIconColours[c]);
                    g += green(kIconColours[c]);
                    b += blue(kIconColours[c]);
                }
            }
            // Half covered or more is opaque, in the mean colour of what covers it.
            if (covered * 2 >= kSamples * kSamples) {
                const size_t at = size_t(y) * size + x;
                icon.transparent[at] = false;
                icon.index[at] = nearest(palette, (r + covered / 2) / covered,
                                         (g + covered / 2) / covered, (b + covered / 2) / covered);
            }
        }
    }
    return icon;
}

// One icon image: header (height doubled for colours and mask), palette, 8-bit colours
// bottom-up, then the 1-bit transparency mask bottom-up.
std::string iconImage(const IconPixels& icon, const std::vector<Colour>& palette)
{
    const int size = icon.size;
    const int colourRow = (size + 3) & ~3;
    const int maskRow = ((size + 31) / 32) * 4;
    std::string out;
    putInfoHeader(out, size, size * 2, 8, std::uint32_t((colourRow + maskRow) * size), 256);
    for (Colour c : palette) {
        out += char(blue(c));
        out += char(green(c));
        out += char(red(c));
        out += '\0';
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row(size_t(colourRow), '\0');
        for (int x = 0; x < size; ++x) {
            const size_t at = size_t(y) * size + x;
            row[size_t(x)] = char(icon.transparent[at] ? 0 : icon.index[at]);
        }
        out += row;
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row(size_t(maskRow), '\0');
        for (int x = 0; x < size; ++x)
            if (icon.transparent[size_t(y) * size + x])
                row[size_t(x / 8)] = char(row[size_t(x / 8)] | (0x80 >> (x % 8)));
        out += row;
    }
    return out;
}

std::string iconFile()
{
    const std::vector<Colour> palette = iconPalette();
    const int sizes[] = {16, 32, 48};
    std::vector<std::string> images;
    for (int size : sizes)
        images.push_back(iconImage(renderIcon(size, palette), palette));

    std::string out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, 3);
    std::uint32_t offset = 6 + 16 * 3;
    for (size_t i = 0; i < 3; ++i) {
        out += char(sizes[i]);
        out += char(sizes[i]);
        out += '\0';  // 256 colours or more
        out += '\0';
        put16(out, 1);
        put16(out, 8);
        put32(out, std::uint32_t(images[i].size()));
        put32(out, offset);
        offset += std::uint32_t(images[i].size());
    }
    for (const std::string& image : images)
        out += image;
    return out;
}

bool writeFile(const std::string& dir, const char* name, const std::string& bytes)
{
    const std::string path = dir + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "skin_generator: cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin_generator <output directory>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = writeFile(dir, "skin_light.bmp", bitmapFile(lightSkin())) &&
                    writeFile(dir, "skin_cyan.bmp", bitmapFile(cyanSkin())) &&
                    writeFile(dir, "skin_blue.bmp", bitmapFile(blueSkin())) &&
                    writeFile(dir, "tkWDBox.ico", iconFile());
    return ok ? 0 : 1;
}
