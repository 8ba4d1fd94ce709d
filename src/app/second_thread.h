// The schedule's second thread, made so that ending it gives all of its
// memory back: after a failure to allocate, the main thread goes on alone
// with no more memory in use than if the second thread had never run.
#pragma once

// Runs `run(context)` on a second thread; nullptr when none can be had.
void* StartSecondThread(void (*run)(void* context), void* context);

// Waits for the thread to end and frees its memory, stack included.
void JoinSecondThread(void* thread);
