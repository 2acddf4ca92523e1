// The process-wide pointer to the session that the entry owns.
#include "launcher/active_objects.h"

JvmSession* activeSession = nullptr;
