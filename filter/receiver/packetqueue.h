// The video packets a receiver has read and the pin has not yet decoded, oldest first, each
// with the decoder of the connection it came from. Bounded: a full queue refuses new packets,
// so a stalled consumer costs at most kPacketQueueLimit packets of memory and the packets
// already queued are the ones decoded. Closed (the pin delivers nothing) it discards every
// packet; opened, or told to await one, it discards the packets before the next key frame, so
// that decoding starts where it can and never on stale packets.
//
// Threads: the receiver thread pushes, the pin's streaming thread pops, the thread destroying
// the pin clears; every member is guarded by mutex_; queued_ wakes a waiting consumer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>

struct AVPacket;

namespace Kestra {

class VideoDecoder;

inline constexpr size_t kPacketQueueLimit = 30;

struct QueuedPacket {
    AVPacket *packet = nullptr; // owned by whoever holds the entry
    std::shared_ptr<VideoDecoder> decoder;
};

class PacketQueue {
public:
    PacketQueue() = default;
    PacketQueue(const PacketQueue &) = delete;
    PacketQueue &operator=(const PacketQueue &) = delete;
    ~PacketQueue();

    enum class Pushed { Queued, Discarded, Full };
    // Takes the packet when Queued; otherwise the packet is untouched and the caller frees it.
    Pushed Push(AVPacket *packet, std::shared_ptr<VideoDecoder> decoder);
    // Empties the queue and takes packets again from the next key frame.
    void Open();
    // Empties the queue and discards every packet until Open.
    void Close();
    // Takes packets again only from the next key frame (a new decoder needs one).
    void AwaitKeyFrame();
    // The oldest entry; an entry with a null packet when the queue is empty.
    QueuedPacket Pop();
    size_t Size() const;
    // Returns once a packet is queued or at the deadline, whichever comes first.
    void WaitForPacket(std::chrono::steady_clock::time_point deadline) const;
    // Frees every queued packet.
    void Clear();

private:
    static void Free(std::deque<QueuedPacket> &entries);

    mutable std::mutex mutex_;
    mutable std::condition_variable queued_;
    std::deque<QueuedPacket> entries_;
    bool open_ = false;
    bool awaitingKeyFrame_ = true;
};

} // namespace Kestra
