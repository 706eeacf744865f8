// wizard/SidePicture.h - the wizard's side picture, drawn at the size of its control.
#pragma once
#include <windows.h>

// The picture at 100 % (96 dpi), in pixels: the size of its control in the frame's template, and
// of the drawing the resources carry (IDB_WIZARD).
constexpr int kSidePictureWidth = 120;
constexpr int kSidePictureHeight = 260;

// The picture's colours as a 32-bit DIB stores them (0x00RRGGBB): six bands of sky, then rim,
// glass, aperture, gleam, far hill, near hill and sun. The same as the drawing's palette.
extern const DWORD kSidePictureColours[13];

// The index into kSidePictureColours of the picture at (x, y), in 100 % pixels (fractions allowed).
int SidePictureColourAt(double x, double y);

// The picture as a 32-bit DIB section of exactly width x height pixels, scaled by the factor that
// makes it cover that size: what does not fit is cut off at the top (the sky has room to spare)
// or evenly at both sides. Every pixel takes the colour at its centre, so every scale is as crisp
// as the drawing at 100 %. NULL when GDI cannot make it; the caller owns the bitmap.
HBITMAP DrawSidePicture(int width, int height);
