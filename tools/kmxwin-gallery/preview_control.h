// The gallery's custom control: a sensor field with the part a zoomed
// camera would deliver, painted with GDI, moved by clicks and arrow keys.
#pragma once

#include <windows.h>

// The class "KmxGalleryPreview".
bool RegisterPreviewClass(HINSTANCE instance);

// Sets the zoom step (0 = the whole field) the window's size follows.
#define PREVIEW_SETZOOM (WM_USER + 1)
