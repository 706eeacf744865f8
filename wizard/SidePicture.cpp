// wizard/SidePicture.cpp - the side picture from its shapes: a lens above a sunset between two hills.
#include "wizard/SidePicture.h"
#include <math.h>

const DWORD kSidePictureColours[13] = {
    0x0A163A, 0x0E2450, 0x123464, 0x164676, 0x1A5A86, 0x1E6E94,  // sky, darkest at the top
    0xD6DCE4, 0x345C9C, 0x0A0C1A, 0xA0D6EC, 0x142C48, 0x0C1A2C, 0xFABE50};

namespace {

// The hills' curves. The x87 has cos as one instruction, exact enough for these arguments (under
// 4, never an error). The runtime's cos brings its error reporting along: half a kilobyte of
// setup.exe, and on x86_64 a second definition of what launcher/ProgramEntry.cpp defines itself.
inline double HillCos(double a)
{
#if defined(__i386__) || defined(__x86_64__)
    double result;
    asm("fcos" : "=t"(result) : "0"(a));
    return result;
#else
    return cos(a);
#endif
}

constexpr int kSkyBands = 6;
enum EColour { kRim = kSkyBands, kGlass, kAperture, kGleam, kFarHill, kNearHill, kSun };

// A hexagon is six half-planes; opposite sides pair up, so three normals (the first turned 12
// degrees) and an absolute value say whether a point lies inside. The bound is the inner radius
// of a hexagon of corner radius 15.
constexpr double kHexagonNormals[3][2] = {
    {0.9781476007338057, 0.20791169081775934}, {0.30901699437494745, 0.9510565162951535},
    {-0.6691306063588582, 0.7431448254773942}};
constexpr double kApertureInnerRadius = 12.99038105676658;

bool InAperture(double dx, double dy)
{
    for (const auto& normal : kHexagonNormals)
        if (fabs(dx * normal[0] + dy * normal[1]) > kApertureInnerRadius)
            return false;
    return true;
}

// The gleam lies between 200 and 250 degrees (clockwise from the right, y pointing down: the
// upper left), where light falls on curved glass; under 180 degrees apart, two cross products
// with the edges' directions tell. Radii 0.58 and 0.78 of the glass (38), compared squared.
bool OnGleam(double dx, double dy, double d2)
{
    return d2 > 22.04 * 22.04 && d2 < 29.64 * 29.64 &&
           -0.9396926207859084 * dy + 0.34202014332566866 * dx > 0 &&
           -0.9396926207859084 * dx + 0.34202014332566855 * dy > 0;
}

}  // namespace

int SidePictureColourAt(double x, double y)
{
    const double dx = x - 60, dy = y - 96, d2 = dx * dx + dy * dy;
    if (d2 <= 44 * 44) {
        if (d2 > 38 * 38)
            return kRim;
        if (InAperture(dx, dy))
            return kAperture;
        return OnGleam(dx, dy, d2) ? kGleam : kGlass;
    }
    if (y >= 226 + 16 * HillCos((x - 20) / 34))
        return kNearHill;
    if (y >= 198 + 22 * HillCos((x - 96) / 30))
        return kFarHill;
    if ((x - 84) * (x - 84) + (y - 206) * (y - 206) <= 100)
        return kSun;
    // Six bands over the top 220 pixels: the far hill's top is never lower, so the sky ends within
    // the last band.
    return static_cast<int>(y * kSkyBands / 220);
}

HBITMAP DrawSidePicture(int width, int height)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    // Alpha stays 0: a bitmap with any other alpha a static control would copy and blend.
    HBITMAP hbm = ::CreateDIBSection(NULL, &bi, DIB_RGB_COLORS, &pBits, NULL, 0);
    if (!hbm)
        return NULL;
    const double across = static_cast<double>(width) / kSidePictureWidth;
    const double down = static_cast<double>(height) / kSidePictureHeight;
    const double scale = across > down ? across : down;
    // The scaled picture's pixels left of and above the control.
    const double left = (kSidePictureWidth * scale - width) / 2, top = kSidePictureHeight * scale - height;
    DWORD* pPixel = static_cast<DWORD*>(pBits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            *pPixel++ = kSidePictureColours[SidePictureColourAt((x + left + 0.5) / scale, (y + top + 0.5) / scale)];
    return hbm;
}
