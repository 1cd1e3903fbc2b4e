#pragma once

// The table of the container classes, for the front ends to offer and name them.

#include "container/ContainerClass.h"
