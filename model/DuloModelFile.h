#pragma once
// The model-file object lives with the settings it carries (settings/ builds on
// model/, so the object cannot live here without a dependency cycle).
#include "settings/DuloModelFile.h"
