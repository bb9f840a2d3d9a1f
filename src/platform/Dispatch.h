#pragma once
// Dispatch queues and timers: the main (UI) queue, serial queues with their own thread, the
// global background pool and repeating timers. Include this one header to get all of them.

#include "platform/ConcurrentQueue.h"
#include "platform/DispatchQueue.h"
#include "platform/MainQueue.h"
#include "platform/RepeatingTimer.h"
#include "platform/SerialQueue.h"
