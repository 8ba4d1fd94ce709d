#include "app/second_thread.h"

#include <cstddef>
#include <new>

#ifdef _WIN32
// The system frees a thread's stack when the thread ends.
#include <thread>
#else
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#endif

#ifdef _WIN32
void* StartSecondThread(void (*run)(void*), void* context) {
  try {
    return new std::thread(run, context);
  } catch (...) {
    return nullptr;
  }
}

void JoinSecondThread(void* thread) {
  auto* handle = static_cast<std::thread*>(thread);
  handle->join();
  delete handle;
}
#else
namespace {

// The thread converts lines, with no recursion that grows with them, so a
// small stack does. It is our own, as the C library keeps the stacks it makes
// for later threads instead of giving them back.
constexpr std::size_t kStackBytes = std::size_t{1} << 20;

struct Thread {
  pthread_t id{};
  char* mapping = nullptr;  // a guard page, then the stack
  std::size_t guard = 0;
  void (*run)(void*) = nullptr;
  void* context = nullptr;
};

void* Body(void* thread) {
  auto* self = static_cast<Thread*>(thread);
  self->run(self->context);
  return nullptr;
}

}  // namespace

void* StartSecondThread(void (*run)(void*), void* context) {
#if defined(__GLIBC__)
  // One heap for both threads: what the second thread frees serves the main
  // thread again, and no heap of its own reserves 64 MB of address space.
  mallopt(M_ARENA_MAX, 1);
#endif
  auto* thread = new (std::nothrow) Thread{{}, nullptr, 0, run, context};
  if (thread == nullptr) return nullptr;
  thread->guard = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* const mapping = mmap(nullptr, thread->guard + kStackBytes, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) {
    delete thread;
    return nullptr;
  }
  thread->mapping = static_cast<char*>(mapping);
  pthread_attr_t attributes;
  bool started = false;
  if (mprotect(thread->mapping, thread->guard, PROT_NONE) == 0 &&
      pthread_attr_init(&attributes) == 0) {
    started =
        pthread_attr_setstack(&attributes, thread->mapping + thread->guard, kStackBytes) == 0 &&
        pthread_create(&thread->id, &attributes, Body, thread) == 0;
    pthread_attr_destroy(&attributes);
  }
  if (started) return thread;
  munmap(thread->mapping, thread->guard + kStackBytes);
  delete thread;
  return nullptr;
}

void JoinSecondThread(void* thread) {
  auto* self = static_cast<Thread*>(thread);
  pthread_join(self->id, nullptr);
  munmap(self->mapping, self->guard + kStackBytes);
  delete self;
}
#endif
