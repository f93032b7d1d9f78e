#pragma once

// The tests read failures as the program reports them.
#include "platform/korvanterror.h"
