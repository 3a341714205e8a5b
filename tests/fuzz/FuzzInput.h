#pragma once

// Shared by the fuzz targets: the input as the lines a transport's ReadLn would hand over,
// and a check that stops the run when a parser breaks its own promise.
#include <QByteArray>
#include <QByteArrayList>

#include <cstdio>
#include <cstdlib>

// Every line with its LF; a last piece without one is a line too.
inline QByteArrayList fuzzLines(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QByteArrayList lines;
    qsizetype start = 0;
    while (start < input.size()) {
        const qsizetype end = input.indexOf('\n', start);
        const qsizetype next = end < 0 ? input.size() : end + 1;
        lines.append(input.mid(start, next - start));
        start = next;
    }
    return lines;
}

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);       \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
