// The process-wide pointers through which the launch sequence and the signal handler reach
// the session and the instance registry that the entry owns. The configuration store's
// pointer, activeConfig, lives with the store in config/config_store.h.
//
// They are written by the entry before the launch starts and cleared after it has ended
// (activeRegistry is shut down instead of cleared); they are plain pointers without locks.
// Same on every platform.
#pragma once

class JvmSession;
class InstanceRegistry;

extern JvmSession* activeSession;
extern InstanceRegistry* activeRegistry;
