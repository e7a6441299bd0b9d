#include "kernels/EdgeSmoothing.h"

void BlendToward16(PF_Pixel16 &p, const PF_Pixel16 &q, A_long a)
{
    // Unsigned: p * c + q * a + 32768 reaches 2^31 when both values are 32768.
    const A_u_long weight = static_cast<A_u_long>(a);
    const A_u_long keep = 65535u - weight;
    const auto mix = [](A_u_long u, A_u_long wu, A_u_long v, A_u_long wv) {
        return static_cast<A_u_short>((u * wu + v * wv + 32768u) >> 16);
    };
    if (p.alpha == q.alpha) {
        p.red = mix(p.red, keep, q.red, weight);
        p.green = mix(p.green, keep, q.green, weight);
        p.blue = mix(p.blue, keep, q.blue, weight);
    } else if (q.alpha == 0) {
        p.alpha = mix(p.alpha, keep, 0, 0);
    } else if (p.alpha != 0) {
        // The colours mix by each side's share of the blended alpha.
        const float ratio = static_cast<float>(keep * p.alpha) / static_cast<float>(weight * q.alpha);
        const A_u_long e = static_cast<A_u_long>(65535.0f / (ratio + 1.0f) + 0.5f);
        const A_u_long f = 65535u - e;
        p.red = mix(q.red, e, p.red, f);
        p.green = mix(q.green, e, p.green, f);
        p.blue = mix(q.blue, e, p.blue, f);
        p.alpha = mix(q.alpha, weight, p.alpha, keep);
    } else {
        p = q;
        p.alpha = mix(q.alpha, weight, 0, 0);
    }
}

void BlendTowardFloat(PF_PixelFloat &p, const PF_PixelFloat &q, float x)
{
    if (p.alpha != q.alpha) {
        const float k = (1 - x) * p.alpha;
        if (q.alpha == 0) {
            p.alpha = k;
            return;
        }
        // A transparent p with weight 0 would give 0 / 0; it has no colour
        // of its own to keep.
        const float s = k == 0 ? 1.0f : 1 / (k / (q.alpha * x) + 1);
        p.red = s * q.red + (1 - s) * p.red;
        p.green = s * q.green + (1 - s) * p.green;
        p.blue = s * q.blue + (1 - s) * p.blue;
        p.alpha = x * q.alpha + k;
    } else {
        p.red = x * q.red + (1 - x) * p.red;
        p.green = x * q.green + (1 - x) * p.green;
        p.blue = x * q.blue + (1 - x) * p.blue;
    }
}
