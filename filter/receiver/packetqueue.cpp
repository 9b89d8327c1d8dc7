#include "packetqueue.h"

extern "C" {
#include <libavcodec/packet.h>
}

namespace Kestra {

PacketQueue::~PacketQueue() {
    Clear();
}

PacketQueue::Pushed PacketQueue::Push(AVPacket *packet, std::shared_ptr<VideoDecoder> decoder) {
    {
        std::lock_guard lock(mutex_);
        if (!open_)
            return Pushed::Discarded;
        if (awaitingKeyFrame_ && !(packet->flags & AV_PKT_FLAG_KEY))
            return Pushed::Discarded;
        if (entries_.size() >= kPacketQueueLimit)
            return Pushed::Full;
        awaitingKeyFrame_ = false;
        entries_.push_back({packet, std::move(decoder)});
    }
    queued_.notify_all();
    return Pushed::Queued;
}

void PacketQueue::Open() {
    std::deque<QueuedPacket> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(entries_);
        open_ = true;
        awaitingKeyFrame_ = true;
    }
    Free(dropped);
}

void PacketQueue::Close() {
    std::deque<QueuedPacket> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(entries_);
        open_ = false;
    }
    Free(dropped);
}

void PacketQueue::AwaitKeyFrame() {
    std::lock_guard lock(mutex_);
    awaitingKeyFrame_ = true;
}

void PacketQueue::WaitForPacket(std::chrono::steady_clock::time_point deadline) const {
    std::unique_lock lock(mutex_);
    queued_.wait_until(lock, deadline, [this] { return !entries_.empty(); });
}

QueuedPacket PacketQueue::Pop() {
    std::lock_guard lock(mutex_);
    if (entries_.empty())
        return {};
    QueuedPacket front = std::move(entries_.front());
    entries_.pop_front();
    return front;
}

size_t PacketQueue::Size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void PacketQueue::Clear() {
    std::deque<QueuedPacket> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(entries_);
    }
    Free(dropped);
}

void PacketQueue::Free(std::deque<QueuedPacket> &entries) {
    for (QueuedPacket &entry : entries)
        av_packet_free(&entry.packet);
}

} // namespace Kestra
