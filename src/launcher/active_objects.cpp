// The process-wide pointers to the objects that the entry owns.
#include "launcher/active_objects.h"

JvmSession* activeSession = nullptr;
InstanceRegistry* activeRegistry = nullptr;
