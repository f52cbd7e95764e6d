#include "USB_Prog.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zekt {

namespace {

constexpr std::array<const char*, 8> kErrorTexts = {
    "NO ERRORS",
    "Ошибка открытия DLL",
    "Устройство не подключено или не найдено",
    "Ошибка закрытия прибора",
    "Ошибка при очистке аппаратных буферов USB",
    "Ошибка установок таймаутов приемника/передатчика USB",
    "Ошибка записи в порт USB",
    "Тайм-аут обмена с устройством",
};
constexpr const char* kDriverErrorText = "Ошибка драйвера";

constexpr std::array<const char*, 19> kStatusSuffixes = {
    "",
    ": Неверный указатель",
    ": Устройство не найдено",
    ": Устройство не открыто",
    ": Ошибка ввода/вывода",
    ": Insufficient Resources",
    ": Неверный параметр",
    ": Неправильная скорость обмена",
    ": Устройство не открыто для стирания",
    ": Устройство не открыто для записи",
    ": Ошибочная запись в устройство",
    ": Ошибочное чтение EEPROM",
    ": Ошибочная запись EEPROM",
    ": Ошибка стирания EEPROM",
    ": EEPROM не доступно",
    ": EEPROM не запрограммирована",
    ": Неверные аргументы",
    ": Не поддерживается",
    ": Неизвестная ошибка",
};
constexpr const char* kUnknownStatusSuffix = " ";

} // namespace

std::string ErrorText(int errorCode) {
    if (errorCode < 0 || errorCode >= static_cast<int>(kErrorTexts.size())) {
        return kDriverErrorText;
    }
    return kErrorTexts[static_cast<std::size_t>(errorCode)];
}

std::string StatusSuffix(FT_STATUS status) {
    return status < kStatusSuffixes.size() ? kStatusSuffixes[status] : kUnknownStatusSuffix;
}

void USB_Prog::BuildMessage() {
    message = ErrorText(errorCode) + StatusSuffix(status);
}

bool USB_Prog::Fail(int code) {
    errorCode = code;
    BuildMessage();
    return false;
}

bool USB_Prog::FindDevice(DWORD count, int& index) {
    for (DWORD i = 0; i < count; ++i) {
        DWORD flags = 0, type = 0, id = 0, locationId = 0;
        char serialNumber[kDeviceStringSize] = {};
        char description[kDeviceStringSize] = {};
        FT_HANDLE deviceHandle = nullptr;
        status = driver.FT_GetDeviceInfoDetail(i, &flags, &type, &id, &locationId, serialNumber,
                                               description, &deviceHandle);
        description[kDeviceStringSize - 1] = '\0';
        serialNumber[kDeviceStringSize - 1] = '\0';
        if (status == FT_OK && std::strcmp(description, DeviceDescription) == 0 &&
            unit.Matches(serialNumber, locationId)) {
            index = static_cast<int>(i);
            this->serialNumber = serialNumber;
            return true;
        }
    }
    return false;
}

bool USB_Prog::Open() {
    if (handle != nullptr) {
        return true;
    }
    DWORD count = 0;
    status = driver.FT_CreateDeviceInfoList(&count);
    if (status != FT_OK) {
        handle = nullptr;
        return Fail(errDriver);
    }
    int index = -1;
    if (count == 0 || !FindDevice(count, index)) {
        handle = nullptr;
        return Fail(errNoDevice);
    }

    status = driver.FT_Open(index, &handle);
    if (status != FT_OK) {
        handle = nullptr;
    }
    status = driver.FT_ResetDevice(handle);
    status = driver.FT_SetFlowControl(handle, FT_FLOW_NONE, 0, 0);
    if (status != FT_OK) {
        // Do not keep a half-configured device open behind a failed Open.
        if (handle != nullptr) {
            driver.FT_Close(handle);
            handle = nullptr;
        }
        return Fail(errNoDevice);
    }
    SetLatencyTimerIfAsked();
    return true;
}

void USB_Prog::SetLatencyTimerIfAsked() {
    latencyInUse = 0;
    if (latencyMs <= 0) {
        return;
    }
    const FT_STATUS set = driver.FT_SetLatencyTimer(handle, static_cast<UCHAR>(latencyMs));
    if (set == FT_OK) {
        latencyInUse = latencyMs;
    } else if (warn && !latencyWarned) {
        latencyWarned = true; // every Open tries again; the operator hears it once
        warn("Таймер задержки USB (" + std::to_string(latencyMs) + " мс) не установлен" +
             StatusSuffix(set) + ". Работа идёт с таймером по умолчанию.");
    }
}

bool USB_Prog::Close() {
    if (handle == nullptr) {
        errorCode = errNone;
        BuildMessage();
        return true;
    }
    status = driver.FT_Close(handle);
    handle = nullptr;
    if (status != FT_OK) {
        return Fail(errClose);
    }
    errorCode = errNone;
    BuildMessage();
    return true;
}

void USB_Prog::WrapFrame() {
    std::copy_backward(request.begin(), request.begin() + kFrameSize - kFramePayloadOffset,
                       request.end());
    request[0] = kFrameHead0;
    request[1] = kFrameHead1;
    request[kFrameSize - 2] = kFrameTail0;
    request[kFrameSize - 1] = kFrameTail1;
}

void USB_Prog::UnwrapFrame() {
    std::copy(reply.begin() + kFramePayloadOffset, reply.end(), reply.begin());
    std::fill(reply.begin() + kPayloadSize, reply.end(), 0);
}

bool USB_Prog::Exchange(const ProgrammerFrame& payload) {
    const auto began = std::chrono::steady_clock::now();
    const bool exchanged = ExchangeFrame(payload);
    if (span.frames++ == 0) {
        span.first = began;
    }
    span.last = std::chrono::steady_clock::now();
    return exchanged;
}

bool USB_Prog::ExchangeFrame(const ProgrammerFrame& payload) {
    if (handle == nullptr) {
        return Fail(errNoDevice);
    }
    request = payload;
    reply.fill(0);

    status = driver.FT_Purge(handle, FT_PURGE_RX | FT_PURGE_TX);
    if (status != FT_OK) {
        return Fail(errPurge);
    }
    status = driver.FT_SetTimeouts(handle, kReadTimeoutMs, kWriteTimeoutMs);
    if (status != FT_OK) {
        return Fail(errTimeouts);
    }
    WrapFrame();
    DWORD written = 0;
    status = driver.FT_Write(handle, request.data(), kFrameSize, &written);
    if (status != FT_OK || written != kFrameSize) {
        return Fail(errWrite);
    }
    DWORD received = 0;
    status = driver.FT_Read(handle, reply.data(), kFrameSize, &received);
    if (status != FT_OK || received < kFrameSize) {
        return Fail(errExchangeTimeout);
    }
    UnwrapFrame();
    return true;
}

bool USB_Prog::SendTestCommand(ProgrammerFrame& buffer, uint8_t command) {
    buffer[kGroupByte] = grpCommand;
    buffer[kCommandByte] = command;
    return Exchange(buffer); // a failure leaves the reply zeroed
}

bool USB_Prog::FailTest() {
    // The reason the test failed outlives the closing of the device.
    const int failedCode = errorCode;
    const FT_STATUS failedStatus = status;
    if (Close() && failedCode != errNone) {
        errorCode = failedCode;
        status = failedStatus;
        BuildMessage();
    }
    return false;
}

bool USB_Prog::Test() {
    ProgrammerFrame buffer{};
    if (!Open()) {
        return false;
    }
    buffer[kGroupByte] = grpEcho;
    buffer[kCommandByte] = cmdEcho;
    for (int i = kDataByte; i < kPayloadSize; ++i) {
        buffer[i] = static_cast<uint8_t>(i);
    }
    if (!Exchange(buffer)) {
        return FailTest();
    }
    if (reply != buffer) {
        return FailTest();
    }
    // Every exchange must be answered: a unit that let one frame go
    // unanswered is no sound unit, whatever the queries say after it (and a
    // zeroed reply of a failed exchange would pass for a cleared unit).
    if (!SendTestCommand(buffer, cmdTestPrepare) || !SendTestCommand(buffer, cmdTestSet) ||
        !SendTestCommand(buffer, cmdTestQuery) || reply[kDataByte] != 1) {
        return FailTest();
    }
    if (!SendTestCommand(buffer, cmdTestClear) || !SendTestCommand(buffer, cmdTestQuery) ||
        reply[kDataByte] != 0) {
        return FailTest();
    }
    return Close();
}

} // namespace zekt
