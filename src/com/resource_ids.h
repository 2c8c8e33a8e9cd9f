#pragma once
// The DLL's resources, shared by kestrix.rc and the code that loads them.

// The toolbar button's face: a BITMAP resource (button_face.bmp).
#define KESTRIX_BUTTON_FACE 101
