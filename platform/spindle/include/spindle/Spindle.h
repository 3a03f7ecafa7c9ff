#pragma once

#include "spindle/Lockable.h"
#include "spindle/Runnable.h"
#include "spindle/ThreadIf.h"
#include "spindle/VLock.h"
#include "spindle/VMutex.h"
