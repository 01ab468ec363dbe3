#include "sim/random.h"

namespace {

struct RanmarState {
    float u[98];
    float c, cd, cm;
    int32_t i97, j97;
    bool seeded;
};

RanmarState g_ranmar;

}  // namespace

void SeedRandom(uint32_t ij, uint32_t kl) {
    if (ij > 31328u) ij = 1802;
    if (kl > 30081u) kl = 9373;

    int32_t i = static_cast<int32_t>((ij / 177) % 177 + 2);
    int32_t j = static_cast<int32_t>(ij % 177 + 2);
    int32_t k = static_cast<int32_t>((kl / 169) % 178 + 1);
    int32_t l = static_cast<int32_t>(kl % 169);

    for (int ii = 1; ii <= 97; ++ii) {
        double s = 0.0;
        double t = 0.5;
        for (int jj = 0; jj < 24; ++jj) {
            const int32_t m = (((i * j) % 179) * k) % 179;
            i = j;
            j = k;
            k = m;
            l = (53 * l + 1) % 169;
            if ((l * m) % 64 >= 32) s += t;
            t *= 0.5;
        }
        g_ranmar.u[ii] = static_cast<float>(s);
    }

    g_ranmar.c = static_cast<float>(362436.0 / 16777216.0);
    g_ranmar.cd = static_cast<float>(7654321.0 / 16777216.0);
    g_ranmar.cm = static_cast<float>(16777213.0 / 16777216.0);
    g_ranmar.i97 = 97;
    g_ranmar.j97 = 33;
    g_ranmar.seeded = true;
}

double RandomUniform() {
    RanmarState& r = g_ranmar;
    if (!r.seeded) SeedRandom(static_cast<uint32_t>(-1), static_cast<uint32_t>(-1));

    double x = static_cast<double>(r.u[r.i97]) - r.u[r.j97];
    if (x < 0.0) x += 1.0;
    r.u[r.i97] = static_cast<float>(x);

    if (--r.i97 == 0) r.i97 = 97;
    if (--r.j97 == 0) r.j97 = 97;

    double c = static_cast<double>(r.c) - r.cd;
    if (c < 0.0) c += r.cm;
    r.c = static_cast<float>(c);

    x -= c;
    if (x < 0.0) x += 1.0;
    return x;
}

int32_t Random(int32_t n) {
    if (n == 0) return 0;
    // |INT32_MIN| does not fit; treat it as the largest positive range.
    const int64_t m = n < 0 ? -static_cast<int64_t>(n) : n;
    const int64_t v = static_cast<int64_t>(RandomUniform() * static_cast<double>(m)) % m;
    return static_cast<int32_t>(v);
}
