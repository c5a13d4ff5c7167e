// COM for the calling thread while the object lives: joined on construction, left on
// destruction when joining succeeded (a thread already in the other kind of apartment
// stays where it is and does not leave it).
#pragma once

#include <objbase.h>

namespace telvia::win32 {

class ComApartment {
public:
    // COINIT_APARTMENTTHREADED for a thread with windows, COINIT_MULTITHREADED for a worker.
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : result_(CoInitializeEx(nullptr, model)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    [[nodiscard]] HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace telvia::win32
