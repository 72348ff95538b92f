#include "MonitorLink.h"

#include "platform/TcpConnect.h"
#include "platform/TcpListener.h"

MonitorLink::MonitorLink() {
    TcpListener listener;
    if (listener.Open("127.0.0.1", 0)) {
        far_ = ConnectTcp("127.0.0.1", listener.LocalPort(), 2000);
        if (far_ && listener.WaitReadable(2000) == 1) {
            near_ = listener.Accept();
        }
    }
    if (near_) {
        SetNoDelay(near_.get(), true);
        SetNoDelay(far_.get(), true);
    }
}

bool MonitorLink::ReadExactly(std::size_t n, Bytes& out, int waitMs) const {
    out.assign(n, 0);
    std::size_t got = 0;
    while (got < n) {
        if (WaitReadable(far_.get(), waitMs) != 1) {
            return false;
        }
        const long r = SocketRecv(far_.get(), out.data() + got, n - got);
        if (r <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(r);
    }
    return true;
}

Bytes MonitorLink::ReadFrame(int waitMs) const {
    Bytes head;
    if (!ReadExactly(kCmpHeadSize, head, waitMs)) {
        return {};
    }
    const std::size_t len = ReadLe16(head.data());
    Bytes rest;
    if (len < kCmpHeadSize || !ReadExactly(len - kCmpHeadSize, rest, waitMs)) {
        return {};
    }
    return Concat({head, rest});
}

bool MonitorLink::Send(const Bytes& bytes) const {
    return SocketSendAll(far_.get(), bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
}
