#pragma once

#include "FtdiDriver.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// A driver double whose every answer the test sets, and which records what
// the link asked of it.
class ScriptedDriver : public zekt::FtdiDriver {
public:
    using Bytes = std::vector<uint8_t>;

    std::vector<std::string> descriptions{"ZEKT USB Programmator"};
    std::vector<zekt::FT_STATUS> detailStatus; // per index; FT_OK when absent
    zekt::FT_STATUS listStatus = zekt::FT_OK;
    zekt::FT_STATUS openStatus = zekt::FT_OK;
    zekt::FT_STATUS resetStatus = zekt::FT_OK;
    zekt::FT_STATUS flowStatus = zekt::FT_OK;
    zekt::FT_STATUS purgeStatus = zekt::FT_OK;
    zekt::FT_STATUS timeoutsStatus = zekt::FT_OK;
    zekt::FT_STATUS writeStatus = zekt::FT_OK;
    zekt::FT_STATUS readStatus = zekt::FT_OK;
    zekt::FT_STATUS closeStatus = zekt::FT_OK;
    zekt::FT_STATUS latencyStatus = zekt::FT_OK;
    int writeShortBy = 0;
    // Computes the wire reply to a wire request; echoes it when unset.
    std::function<Bytes(const Bytes&)> responder;

    std::vector<std::string> calls;
    std::vector<Bytes> written;
    int openedIndex = -1;
    zekt::ULONG purgeMask = 0;
    zekt::ULONG readTimeout = 0;
    zekt::ULONG writeTimeout = 0;
    zekt::USHORT flowControl = 0xFFFF;

    zekt::FT_STATUS FT_CreateDeviceInfoList(zekt::DWORD* n) override {
        calls.push_back("list");
        *n = listStatus == zekt::FT_OK ? static_cast<zekt::DWORD>(descriptions.size()) : 0;
        return listStatus;
    }
    zekt::FT_STATUS FT_GetDeviceInfoDetail(zekt::DWORD i, zekt::DWORD*, zekt::DWORD*, zekt::DWORD*,
                                           zekt::DWORD*, char*, char* description,
                                           zekt::FT_HANDLE*) override {
        calls.push_back("detail " + std::to_string(i));
        const zekt::FT_STATUS s = i < detailStatus.size() ? detailStatus[i] : zekt::FT_OK;
        // A failed query may still leave a string behind; it must not match.
        std::snprintf(description, zekt::kDeviceStringSize, "%s", descriptions.at(i).c_str());
        return s;
    }
    zekt::FT_STATUS FT_Open(int index, zekt::FT_HANDLE* handle) override {
        calls.push_back("open " + std::to_string(index));
        if (openStatus != zekt::FT_OK) {
            *handle = nullptr;
            return openStatus;
        }
        openedIndex = index;
        *handle = this;
        return zekt::FT_OK;
    }
    zekt::FT_STATUS FT_ResetDevice(zekt::FT_HANDLE handle) override {
        calls.push_back("reset");
        return handle == this ? resetStatus : zekt::FT_INVALID_HANDLE;
    }
    zekt::FT_STATUS FT_SetFlowControl(zekt::FT_HANDLE handle, zekt::USHORT flow, zekt::UCHAR,
                                      zekt::UCHAR) override {
        calls.push_back("flow");
        flowControl = flow;
        return handle == this ? flowStatus : zekt::FT_INVALID_HANDLE;
    }
    zekt::FT_STATUS FT_Purge(zekt::FT_HANDLE, zekt::ULONG mask) override {
        calls.push_back("purge");
        purgeMask = mask;
        return purgeStatus;
    }
    zekt::FT_STATUS FT_SetTimeouts(zekt::FT_HANDLE, zekt::ULONG r, zekt::ULONG w) override {
        calls.push_back("timeouts");
        readTimeout = r;
        writeTimeout = w;
        return timeoutsStatus;
    }
    zekt::FT_STATUS FT_Write(zekt::FT_HANDLE, const void* buffer, zekt::DWORD n,
                             zekt::DWORD* done) override {
        calls.push_back("write");
        const auto* b = static_cast<const uint8_t*>(buffer);
        written.emplace_back(b, b + n);
        *done = writeStatus == zekt::FT_OK ? n - static_cast<zekt::DWORD>(writeShortBy) : 0;
        if (writeStatus == zekt::FT_OK) {
            const Bytes reply = responder ? responder(written.back()) : written.back();
            pending.insert(pending.end(), reply.begin(), reply.end());
        }
        return writeStatus;
    }
    zekt::FT_STATUS FT_Read(zekt::FT_HANDLE, void* buffer, zekt::DWORD n,
                            zekt::DWORD* got) override {
        calls.push_back("read");
        *got = 0;
        if (readStatus != zekt::FT_OK) {
            return readStatus;
        }
        while (*got < n && !pending.empty()) {
            static_cast<uint8_t*>(buffer)[(*got)++] = pending.front();
            pending.pop_front();
        }
        return zekt::FT_OK;
    }
    zekt::FT_STATUS FT_SetLatencyTimer(zekt::FT_HANDLE, zekt::UCHAR timerMs) override {
        calls.push_back("latency " + std::to_string(timerMs));
        return latencyStatus;
    }
    zekt::DeviceAccess ProbeAccess(zekt::DWORD) override { return zekt::DeviceAccess::Free; }
    zekt::FT_STATUS FT_Close(zekt::FT_HANDLE) override {
        calls.push_back("close");
        return closeStatus;
    }

private:
    std::deque<uint8_t> pending;
};
