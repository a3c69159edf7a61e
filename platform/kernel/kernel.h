#pragma once
// Everything of the platform kernel in one include.
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/file_mapping.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
