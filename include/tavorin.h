// Everything a program using libtavorin may touch.
#pragma once

#include "ResultCodes.h"
#include "IReadAccesser.h"
#include "IFileReader.h"
#include "IFileWriter.h"
#include "IPackReader.h"
#include "IPackManager.h"
#include "KeyTracks.h"
#include "IVeyaSurface.h"
#include "IVeyaMotion.h"
#include "IDirectXManager.h"
#include "IKeyState.h"
#include "IDirectSoundPlayer3.h"
#include "SoundPlayer.h"
