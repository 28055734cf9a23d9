// Core Graphics, as far as this platform models it.
#pragma once

#include "CoreGraphics/CGAffineTransform.h"
#include "CoreGraphics/CGBitmapContext.h"
#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGGeometry.h"
