#pragma once

#include <QIODevice>
#include <exception>

// A device that receives a reply body and can say why it refused a write
// (a full disk, a size bound), so that the request fails with that reason
// instead of a bare "write error".
class TBodyTarget : public QIODevice {
public:
    std::exception_ptr Failure() const { return FFailure; }

protected:
    // Records the reason and returns -1, the value writeData reports.
    qint64 Fail(std::exception_ptr Reason)
    {
        FFailure = std::move(Reason);
        return -1;
    }
    void ClearFailure() { FFailure = nullptr; }

private:
    std::exception_ptr FFailure;
};

// The reason Target gave for a refused write, or null.
inline std::exception_ptr TargetFailure(const QIODevice& Target)
{
    const auto* Body = dynamic_cast<const TBodyTarget*>(&Target);
    return Body ? Body->Failure() : nullptr;
}
