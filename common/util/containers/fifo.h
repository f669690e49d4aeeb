// FIFO: a thread-safe first-in, first-out queue of messages that the producer
// allocates with malloc. Each message starts with a FIFO_MSG header; the queue
// links messages through it and never copies them. From EntQ / EntQAtFront
// until DeptQ returns it, the queue owns a message; then the consumer owns it
// and frees it with free.
//
//   FIFO* queue = new FIFO;                    // a SharedObject: ends by Shutdown
//   queue->AddRef();                           // one reference per user thread
//   auto* msg = static_cast<FIFO_MSG*>(malloc(sizeof(FIFO_MSG) + n));
//   msg->ulSize = n; queue->EntQ(msg);         // producer
//   FIFO_MSG* got = queue->DeptQ(1000);        // consumer: waits up to 1 s, null on time-out
//   free(got); queue->Release();
//   queue->Shutdown(0);                        // owner: frees what is still queued,
//                                              // waits for the users, deletes the queue
//
// Producers never wait except for the lock. A consumer waits on an event only
// while the queue is empty, never holding the lock; one insertion wakes every
// waiting consumer and the first one takes the message. A consumer that finds
// the queue empty first polls its count for a few microseconds (bounded, and
// only when its time-out is not 0) before it sleeps; consumers that sleep are
// counted under the lock, and an insertion signals the event only when one
// does, so a busy queue hands messages over without a system call. The time-out applies
// to each wait: a consumer that wakes to an empty queue waits again with its
// full time-out. 0 polls; 0xFFFFFFFF waits without limit. On Windows the wait
// is alertable (WaitForSingleObjectEx), so user APCs run during it and the
// consumer then checks the queue again; POSIX has no APCs.
//
// Choices made here:
//  - A full queue (65535 messages, the limit of its 16-bit count) refuses the
//    message: EntQ / EntQAtFront return 0, link nothing and leave the message
//    with the caller. A null message is refused the same way. Otherwise they
//    return 1.
//  - DeptQ clears the event only when its removal leaves the queue empty, not
//    after every removal: otherwise a consumer that found the queue empty and
//    let go of the lock, while another consumer took one of two new messages,
//    would sleep (without a time-out: for ever) with a message still queued.
//  - After Notify on an empty queue the event stays set. A consumer that wakes
//    and finds the queue still empty resets it (under the lock, so no insertion
//    is missed) before it waits again: it wakes once per Notify and never spins,
//    its time-out still expires, and DeptQ(0) ends on an empty queue.
//  - A wait that fails (the event could not be created) ends DeptQ with null,
//    like a time-out, instead of retrying without end.
//  - DeptQ(0) on an empty queue returns null at once, without looking at the event.
//  - Up to 32767 consumers may sleep in DeptQ on one queue at the same time (the
//    count of sleepers shares a 16-bit field with a mark).
//  - Users may go on putting messages in while the shutdown sequence waits for
//    them (EntQ still returns 1): PostShutdown drains the queue again once
//    they have all released it, so nothing queued is ever lost to a leak.
//  - SetName(nullptr) drops any earlier name copy and keeps none.
//  - Copying is forbidden: a copy would share the chain, the event and the name.
//  - nFifo is raised with an atomic add, so queues built on several threads at
//    once are all counted.
#ifndef UTIL_CONTAINERS_FIFO_H
#define UTIL_CONTAINERS_FIFO_H

#include <cstdint>

#include "platform/export.h"
#include "sync/shared_object.h"

/// The header at the start of every queued message.
struct FIFO_MSG {
    FIFO_MSG* pNext;       // set by the queue on every insertion
    std::uint32_t ulUser;  // the producer's and consumer's; the queue never touches it
    std::uint32_t ulSize;  // added to the queue's byte total, otherwise not interpreted
};

class UTIL_API FIFO : public SharedObject {
public:
    /// An empty queue named "FIFO"; adds one to nFifo.
    FIFO();
    /// Frees the name copy and the event. Does not free queued messages: only
    /// the shutdown sequence (PreShutdown) does.
    virtual ~FIFO();

    FIFO(const FIFO&) = delete;
    FIFO& operator=(const FIFO&) = delete;

    /// Appends msg (a malloc block). Returns 1, or 0 when refused (see above).
    int EntQ(FIFO_MSG* msg);
    /// Puts msg at the front: the next DeptQ returns it. Returns 1, or 0 when refused.
    int EntQAtFront(FIFO_MSG* msg);
    /// Takes the oldest message, waiting up to timeout ms per wait while the
    /// queue is empty. Returns null on time-out; the caller owns the message.
    FIFO_MSG* DeptQ(unsigned long timeout);
    /// The sum of ulSize over the queued messages (read under the lock).
    unsigned long GetMsgSize();
    /// The number of queued messages, 0 to 65535 (read without the lock).
    int QSize();
    /// Wakes waiting consumers without adding a message.
    void Notify();
    /// Keeps a malloc copy of name (Name() still returns "FIFO").
    void SetName(char* name);

    /// Incremented by each construction (atomically), never decremented.
    static int nFifo;

protected:
    /// Takes and frees every queued message.
    virtual void PreShutdown();
    /// Frees, once every user has released the queue, the messages they put in
    /// while the sequence waited for them (the same drain as PreShutdown).
    virtual void PostShutdown();

private:
    char* pszFifoName;
    void* hEvent;
    FIFO_MSG* pHead;
    std::uint16_t usCount;
    std::uint16_t usWaiting;  // sleeping consumers, and a mark that hEvent may be set (in the padding)
    FIFO_MSG* pTail;
    std::uint32_t ulEnqueued;
    std::uint32_t ulMsgBytes;
};

#endif
