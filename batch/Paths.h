#pragma once

// The parts of a path, which the runs name their outputs by and the front ends show.

#include "files/PathParts.h"
