// The process-wide pointers to the objects that the entry owns.
#include "launcher/active_objects.h"

ConfigStore* activeConfig = nullptr;
JvmSession* activeSession = nullptr;
InstanceRegistry* activeRegistry = nullptr;
