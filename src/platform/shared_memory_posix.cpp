// Shared blocks on Linux: POSIX shared memory owned by the user, and a robust
// process-shared mutex inside the block as their lock.
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/shared_memory.h"

namespace platform {

namespace {

constexpr int32_t kMaxObjectName = 200;

// The object name: "/" and the name with every '/' turned into '.'; a name too long for the
// file system keeps its beginning and ends in a hash of the whole name.
TextString objectName(const char* name) {
    TextString object("/");
    object.append(name);
    for (int32_t i = 1; i < object.length(); ++i) {
        if (object[i] == '/') {
            object[i] = '.';
        }
    }
    if (object.length() > kMaxObjectName) {
        uint64_t hash = 14695981039346656037ull;  // FNV-1a over the original name
        for (const char* p = name; *p != '\0'; ++p) {
            hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
        }
        TextString suffix;
        suffix.format("-%016llx.wyn.mapping", static_cast<unsigned long long>(hash));
        object.resize(kMaxObjectName - suffix.length());
        object.append(suffix);
    }
    return object;
}

bool openObject(const TextString& object, SharedMemory& out, TextString& failure) {
    int fd = shm_open(object.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        failure.format("shm_open %s: %s", object.c_str(), std::strerror(errno));
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_uid != geteuid()) {
        failure.format("%s belongs to another user", object.c_str());
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
    ::close(fd);
    out.view = view;
    out.handle = view;
    out.lockName = object;
    return true;
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

bool openNamedSharedMemory(const char* name, SharedMemory& out, TextString& failure) {
    return openObject(objectName(name), out, failure);
}

bool openImageSharedMemory(SharedMemory& out, TextString& failure) {
    struct stat st;
    if (stat("/proc/self/exe", &st) != 0) {
        failure.format("cannot identify the executable: %s", std::strerror(errno));
        return false;
    }
    TextString name;
    name.format("wyn-image-%llx-%llx.wyn.mapping", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
    return openObject(objectName(name.c_str()), out, failure);
}

bool openFallbackSharedMemory(SharedMemory&, TextString& failure) {
    failure = "no other block on this system";
    return false;
}

void closeSharedMemory(SharedMemory& memory) {
    if (memory.handle != nullptr) {
        munmap(memory.view, kSharedBlockSize);
    }
    memory.view = nullptr;
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
