// Shared blocks on Linux: files in the user's private directory, mapped shared, removed by the
// last process that leaves them, and a robust process-shared mutex inside the block as their
// lock.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/object_names.h"
#include "platform/shared_memory.h"

namespace platform {

namespace {

int descriptorOf(const SharedMemory& memory) {
    return static_cast<int>(reinterpret_cast<intptr_t>(memory.handle)) - 1;
}

// Opens the object under its name and takes a shared lock on it for as long as it stays
// open; the process that leaves it last removes the name (closeSharedMemory). An object
// found unnamed once the lock is held was removed by such a last process meanwhile: the
// name is opened again, which makes a fresh object.
int openNamedObject(const TextString& object, TextString& failure) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = open(object.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            failure.format("open %s: %s", object.c_str(), std::strerror(errno));
            return -1;
        }
        struct stat st;
        int rc;
        do {
            rc = flock(fd, LOCK_SH);
        } while (rc != 0 && errno == EINTR);
        if (rc == 0 && fstat(fd, &st) == 0 && st.st_nlink > 0) {
            return fd;
        }
        ::close(fd);
    }
    failure.format("%s keeps being removed", object.c_str());
    return -1;
}

bool openObject(const TextString& object, SharedMemory& out, TextString& failure) {
    int fd = openNamedObject(object, failure);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_uid != geteuid() || !S_ISREG(st.st_mode)) {
        failure.format("%s is not a file of this user", object.c_str());
        ::close(fd);
        return false;
    }
    // A creator and a joiner may both grow it; both grow it to the same size, never shrink it.
    if (st.st_size < kSharedBlockSize && ftruncate(fd, kSharedBlockSize) != 0) {
        failure.format("cannot size %s: %s", object.c_str(), std::strerror(errno));
        ::close(fd);
        return false;
    }
    void* view = mmap(nullptr, kSharedBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        failure.format("cannot map %s: %s", object.c_str(), std::strerror(errno));
        ::close(fd);
        return false;
    }
    out.view = view;
    out.handle = reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1);
    out.objectName = object;
    return true;
}

// True when the name still leads to the object open on fd.
bool nameLeadsTo(const TextString& object, int fd) {
    int named = open(object.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (named < 0) {
        return false;
    }
    struct stat ours, theirs;
    bool same = fstat(fd, &ours) == 0 && fstat(named, &theirs) == 0 &&
                ours.st_dev == theirs.st_dev && ours.st_ino == theirs.st_ino;
    ::close(named);
    return same;
}

// The lock's storage in the block: a state word, then the mutex.
enum LockState : int32_t { kUninitialised = 0, kInitialising = 1, kReady = 2 };
struct LockStorage {
    int32_t state;
    int32_t reserved;
    pthread_mutex_t mutex;
};
static_assert(sizeof(LockStorage) <= static_cast<size_t>(kSharedLockStorage),
              "the lock must fit its storage in the block");

void initialiseMutex(LockStorage* storage) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&storage->mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    __atomic_store_n(&storage->state, kReady, __ATOMIC_RELEASE);
}

// Initialises the mutex once for every process. A process that died while initialising
// (a few instructions) would leave the state at kInitialising; after a second of waiting
// the next process initialises it again.
void ensureInitialised(LockStorage* storage) {
    for (int waited = 0;; ++waited) {
        int32_t state = __atomic_load_n(&storage->state, __ATOMIC_ACQUIRE);
        if (state == kReady) {
            return;
        }
        int32_t expected = kUninitialised;
        if (state != kInitialising || waited >= 1000) {
            expected = state;
            if (__atomic_compare_exchange_n(&storage->state, &expected, kInitialising, false,
                                            __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
                initialiseMutex(storage);
                return;
            }
            continue;
        }
        usleep(1000);
    }
}

}  // namespace

bool openSharedMemory(const char* key, SharedMemory& out, TextString& failure) {
    TextString object = userObjectName(key);
    if (object.empty()) {
        failure = "this user has no private directory for it";
        return false;
    }
    if (!openObject(object, out, failure)) {
        return false;
    }
    out.key = TextString(key);
    return true;
}

void closeSharedMemory(SharedMemory& memory, bool unmap) {
    if (memory.handle != nullptr) {
        if (unmap) {
            munmap(memory.view, kSharedBlockSize);
        }
        int fd = descriptorOf(memory);
        // No other process holds it open: the last one out removes the name, so that objects
        // do not pile up in the user's directory.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && nameLeadsTo(memory.objectName, fd)) {
            unlink(memory.objectName.c_str());
        }
        ::close(fd);
    }
    if (unmap) {
        memory.view = nullptr;
    }
    memory.handle = nullptr;
}

SharedLock::~SharedLock() {
    close();
}

void SharedLock::open(const char*, void* storage) {
    close();
    if (storage != nullptr) {
        auto* lockStorage = static_cast<LockStorage*>(storage);
        ensureInitialised(lockStorage);
        impl_ = lockStorage;
    }
}

void SharedLock::lock() {
    if (impl_ == nullptr) {
        return;
    }
    auto* storage = static_cast<LockStorage*>(impl_);
    int rc = pthread_mutex_lock(&storage->mutex);
    if (rc == EOWNERDEAD) {
        // Its owner died holding it: what it guarded may be half-written, which every
        // reader of the block checks anyway.
        pthread_mutex_consistent(&storage->mutex);
        rc = 0;
    }
    held_ = rc == 0;
}

void SharedLock::unlock() {
    if (held_) {
        held_ = false;
        pthread_mutex_unlock(&static_cast<LockStorage*>(impl_)->mutex);
    }
}

void SharedLock::close() {
    unlock();
    impl_ = nullptr;
}

}  // namespace platform
