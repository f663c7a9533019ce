#pragma once

#include "common/TestStation.h"
#include "serial/FakeComm.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// One station for a whole fuzzing run: a fresh database and fake ports. Parsers
// are under test here, not durability, so the database does not sync.
namespace tolvo::fuzz {

struct FuzzStation {
    FuzzStation();
    // Opens a fake device on the port of the index and hands it the bytes.
    void inject(int portIndex, const QByteArray& bytes);

    test::TestStation ts;
    Station& st;
    FakeComm fake;
};

FuzzStation& Shared();

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Stops the run with a message when a promise does not hold (libFuzzer keeps the input).
void Require(bool holds, const char* what);

} // namespace tolvo::fuzz
