// Threads, events, sleeping, and the named mutex of the single-instance guard.
//
// Windows: _beginthreadex, manual-reset events, critical sections, Sleep, and CreateMutexA
// for this user's mutex (object_names.h), made with a descriptor that grants only the user.
// Linux: pthreads, a mutex and condition variable for the event, a mutex for the lock, nanosleep,
// and an flock on this user's lock file (object_names.h) in place of the named mutex; the
// kernel drops the lock when its owner dies, which is the abandoned-mutex case.
#pragma once

#include <cstdint>

#ifdef _WIN32
#define WYN_THREAD_CALL __stdcall
#else
#define WYN_THREAD_CALL
#endif

namespace platform {

// The _beginthreadex signature.
using ThreadFunction = unsigned(WYN_THREAD_CALL*)(void*);

// _beginthreadex's flag that makes the stack size a reservation (ignored on Linux).
constexpr unsigned kStackSizeIsReservation = 0x10000;

// Starts fn(arg) on a new thread, waits for it to end and stores its result. False when the
// thread could not be created (nothing ran).
[[nodiscard]] bool runThreadAndWait(ThreadFunction fn, void* arg, unsigned stackSize,
                                    unsigned flags, unsigned& result);
// Starts fn(arg) on a new thread that nobody waits for. False when it could not be created.
[[nodiscard]] bool startDetachedThread(ThreadFunction fn, void* arg);

// Lowers the calling thread to the lowest scheduling priority.
void lowerThreadPriority();

void sleepMilliseconds(unsigned ms);

// A manual-reset event, initially not signalled.
class Event {
  public:
    Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event();

    void set();
    // True when the event was signalled within ms milliseconds.
    bool wait(unsigned ms);

  private:
    void* impl_ = nullptr;
};

// A lock between the threads of this process (not recursive).
class Lock {
  public:
    Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock();

    void acquire();
    void release();

  private:
    void* impl_ = nullptr;
};

// Holds a lock for its own lifetime.
class LockHolder {
  public:
    explicit LockHolder(Lock& lock) : lock_(lock) { lock_.acquire(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    ~LockHolder() { lock_.release(); }

  private:
    Lock& lock_;
};

enum class NamedMutexResult {
    Acquired,  // this process holds it now (also when its former owner died)
    Held,      // another process holds it
    Failed,    // it could not be created; errorCode says why
};

// Creates or opens this user's mutex called name and waits up to 100 ms for it. An acquired
// mutex is kept until the process ends.
NamedMutexResult acquireNamedMutex(const char* name, int& errorCode);

// At the process's orderly end: leaves nothing of an acquired mutex behind. Linux removes the
// lock file (the lock itself goes with the process); Windows has nothing to do, as a kernel
// object goes with its last handle. Takes no lock and does not wait.
void releaseNamedMutexes();

}  // namespace platform
