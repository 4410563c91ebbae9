// D3DX 9 utility library: maths and image-file textures.
#pragma once

#include "d3dx9math.h"
#include "d3dx9tex.h"
