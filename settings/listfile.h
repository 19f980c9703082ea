#pragma once
#include "config/listfile.h"
