#include "packetqueue.h"

extern "C" {
#include <libavcodec/packet.h>
}

namespace Kestra {

PacketQueue::~PacketQueue() {
    Clear();
}

bool PacketQueue::Push(AVPacket *packet, std::shared_ptr<VideoDecoder> decoder) {
    {
        std::lock_guard lock(mutex_);
        if (entries_.size() >= kPacketQueueLimit)
            return false;
        entries_.push_back({packet, std::move(decoder)});
    }
    queued_.notify_all();
    return true;
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
    for (QueuedPacket &entry : dropped)
        av_packet_free(&entry.packet);
}

} // namespace Kestra
