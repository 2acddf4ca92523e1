// Threads, events and sleeping on Linux (pthreads).
#include <pthread.h>
#include <sys/resource.h>
#include <time.h>

#include <cerrno>

#include "platform/sync.h"

namespace platform {

namespace {

struct ThreadStart {
    ThreadFunction fn;
    void* arg;
    unsigned result;
};

void* threadTrampoline(void* p) {
    auto* start = static_cast<ThreadStart*>(p);
    start->result = start->fn(start->arg);
    return nullptr;
}

void* detachedTrampoline(void* p) {
    auto* start = static_cast<ThreadStart*>(p);
    ThreadStart copy = *start;
    delete start;
    copy.fn(copy.arg);
    return nullptr;
}

struct EventState {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t cond;
    bool signalled = false;
};

}  // namespace

bool runThreadAndWait(ThreadFunction fn, void* arg, unsigned stackSize, unsigned,
                      unsigned& result) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) {
        return false;
    }
    if (stackSize != 0) {
        pthread_attr_setstacksize(&attr, stackSize);
    }
    ThreadStart start{fn, arg, 0};
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, threadTrampoline, &start);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        return false;
    }
    pthread_join(thread, nullptr);
    result = start.result;
    return true;
}

bool startDetachedThread(ThreadFunction fn, void* arg) {
    auto* start = new ThreadStart{fn, arg, 0};
    pthread_t thread;
    if (pthread_create(&thread, nullptr, detachedTrampoline, start) != 0) {
        delete start;
        return false;
    }
    pthread_detach(thread);
    return true;
}

void lowerThreadPriority() {
    // Linux threads have their own nice value; 19 is the lowest priority.
    setpriority(PRIO_PROCESS, 0, 19);
}

void sleepMilliseconds(unsigned ms) {
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

Event::Event() {
    auto* state = new EventState;
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&state->cond, &attr);
    pthread_condattr_destroy(&attr);
    impl_ = state;
}

Event::~Event() {
    auto* state = static_cast<EventState*>(impl_);
    pthread_cond_destroy(&state->cond);
    pthread_mutex_destroy(&state->mutex);
    delete state;
}

void Event::set() {
    auto* state = static_cast<EventState*>(impl_);
    pthread_mutex_lock(&state->mutex);
    state->signalled = true;
    pthread_cond_broadcast(&state->cond);
    pthread_mutex_unlock(&state->mutex);
}

bool Event::wait(unsigned ms) {
    auto* state = static_cast<EventState*>(impl_);
    struct timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&state->mutex);
    while (!state->signalled) {
        if (pthread_cond_timedwait(&state->cond, &state->mutex, &deadline) == ETIMEDOUT) {
            break;
        }
    }
    bool signalled = state->signalled;
    pthread_mutex_unlock(&state->mutex);
    return signalled;
}

Lock::Lock() {
    auto* mutex = new pthread_mutex_t;
    pthread_mutex_init(mutex, nullptr);
    impl_ = mutex;
}

Lock::~Lock() {
    auto* mutex = static_cast<pthread_mutex_t*>(impl_);
    pthread_mutex_destroy(mutex);
    delete mutex;
}

void Lock::acquire() {
    pthread_mutex_lock(static_cast<pthread_mutex_t*>(impl_));
}

void Lock::release() {
    pthread_mutex_unlock(static_cast<pthread_mutex_t*>(impl_));
}

}  // namespace platform
