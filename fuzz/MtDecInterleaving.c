/* The library's multi-threaded decoder frame (C/MtDec.c, which runs the LZMA2 decoder's threads) with one
   interleaving forced through its callbacks: the first block fails while the second thread is parsing the second
   block, so that thread learns of the failure only after parsing. It must then neither prepare nor decode that
   block (patches/mtdec-code-after-skipped-precode.patch): decoding it unprepared is what wrote through null buffers
   in the LZMA2 decoder. In C: the frame's header declares a name twice, which C++ refuses. Built with the fuzz
   targets' sanitizers; exits non-zero on a failure. */
#include "Alloc.h"
#include "MtDec.h"

#include <errno.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <time.h>

enum { kBlockSize = 1 << 16, kStreamSize = 3 * kBlockSize }; /* one input buffer of the frame holds one block */

/* A one-way signal between two decoder threads; waits give up after 5 s. */
typedef struct {
  pthread_mutex_t mutex;
  pthread_cond_t changed;
  int raised;
} Signal;

static void Raise(Signal* s) {
  pthread_mutex_lock(&s->mutex);
  s->raised = 1;
  pthread_cond_broadcast(&s->changed);
  pthread_mutex_unlock(&s->mutex);
}

static int Wait(Signal* s) {
  struct timespec until;
  int err = 0;
  clock_gettime(CLOCK_REALTIME, &until);
  until.tv_sec += 5;
  pthread_mutex_lock(&s->mutex);
  while (!s->raised && err != ETIMEDOUT) err = pthread_cond_timedwait(&s->changed, &s->mutex, &until);
  const int raised = s->raised;
  pthread_mutex_unlock(&s->mutex);
  return raised;
}

typedef struct {
  Signal secondBlockParsing;
  Signal firstBlockFailed;
  atomic_int prepared[MTDEC_THREADS_MAX];
  atomic_int blocksParsed;
  atomic_int failed;
  atomic_int codedUnprepared;
  atomic_int timedOut;
} Decoder;

/* Every call ends a block at the end of its buffer. The second block's parse goes on only once the first block has
   failed, and a little after, so that the frame has recorded the failure. */
static void Parse(void* object, unsigned coder, CMtDecCallbackInfo* info) {
  Decoder* d = object;
  (void)coder;
  if (info->startCall && atomic_fetch_add(&d->blocksParsed, 1) == 1) {
    Raise(&d->secondBlockParsing);
    if (!Wait(&d->firstBlockFailed)) atomic_store(&d->timedOut, 1);
    nanosleep(&(struct timespec){0, 50 * 1000 * 1000}, NULL);
  }
  info->state = info->srcFinished ? MTDEC_PARSE_END : MTDEC_PARSE_NEW;
  info->outPos = info->srcSize;
}

static SRes PreCode(void* object, unsigned coder) {
  atomic_store(&((Decoder*)object)->prepared[coder], 1);
  return SZ_OK;
}

/* The first block fails once the second block's parse has begun; a block that was not prepared is recorded. */
static SRes Code(void* object, unsigned coder, const Byte* src, size_t srcSize, int srcFinished, UInt64* inCodePos,
                 UInt64* outCodePos, int* stop) {
  Decoder* d = object;
  (void)src;
  (void)srcFinished;
  *stop = 1;
  if (!atomic_load(&d->prepared[coder])) atomic_store(&d->codedUnprepared, 1);
  if (coder == 0 && !atomic_exchange(&d->failed, 1)) {
    if (!Wait(&d->secondBlockParsing)) atomic_store(&d->timedOut, 1);
    Raise(&d->firstBlockFailed);
    return SZ_ERROR_DATA;
  }
  *inCodePos = srcSize;
  *outCodePos = srcSize;
  return SZ_OK;
}

static SRes Write(void* object, unsigned coder, BoolInt needWriteToStream, const Byte* src, size_t srcSize,
                  BoolInt isCross, BoolInt* needContinue, BoolInt* canRecode) {
  (void)needWriteToStream;
  (void)src;
  (void)srcSize;
  (void)isCross;
  atomic_store(&((Decoder*)object)->prepared[coder], 0);
  *needContinue = 0;
  *canRecode = 0;
  return SZ_OK;
}

typedef struct {
  ISeqInStream vt;
  size_t position;
} InStream;

static SRes Read(ISeqInStreamPtr p, void* buf, size_t* size) {
  InStream* in = (InStream*)(void*)p;
  (void)buf; /* the bytes are never looked at */
  if (*size > kStreamSize - in->position) *size = kStreamSize - in->position;
  in->position += *size;
  return SZ_OK;
}

int main(void) {
  static Decoder d = {.secondBlockParsing = {PTHREAD_MUTEX_INITIALIZER, PTHREAD_COND_INITIALIZER, 0},
                      .firstBlockFailed = {PTHREAD_MUTEX_INITIALIZER, PTHREAD_COND_INITIALIZER, 0}};
  IMtDecCallback2 callbacks = {Parse, PreCode, Code, Write};
  InStream in = {{Read}, 0};
  CMtDec frame;
  MtDec_Construct(&frame);
  frame.inBufSize = kBlockSize;
  frame.numThreadsMax = 2;
  frame.inStream = &in.vt;
  frame.progress = NULL;
  frame.alloc = &g_Alloc;
  frame.mtCallback = &callbacks;
  frame.mtCallbackObject = &d;
  MtDec_Code(&frame);
  MtDec_Destruct(&frame);

  if (atomic_load(&d.timedOut) || atomic_load(&d.blocksParsed) < 2) {
    fprintf(stderr, "mtdec_interleaving: the interleaving was not reached\n");
    return 1;
  }
  if (atomic_load(&d.codedUnprepared)) {
    fprintf(stderr, "mtdec_interleaving: a block was decoded without its preparation\n");
    return 1;
  }
  printf("mtdec_interleaving: the block parsed during a failure was left alone\n");
  return 0;
}
