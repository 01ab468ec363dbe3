// The frame rate this machine's GL reaches for a given number of fragments: a
// minimal full-screen GL 1.1 program that adds alpha-textured quads onto a
// cleared frame, from one vertex array, and swaps. The screensaver's frame is
// measured against it (tools/bench_saver.sh), and the switches below give the
// price of each feature the screensaver's drawing uses.
//   kvs_ceiling.exe [name=value ...]
//     fragments=4000000  quad pixels per frame (0: empty frames)
//     quad=64x64         size of every quad in pixels
//     cells=80x40        quads are centred on the cells of this grid, in turn
//     texture=64         side of the square textures (a soft disc)
//     format=alpha       alpha (GL_ALPHA8) or rgba (GL_RGBA8)
//     filter=linear      linear, mipmap (linear, nearest mipmap) or trilinear
//     wrap=clamp         clamp (GL_CLAMP) or edge (GL_CLAMP_TO_EDGE)
//     alphatest=0        alpha test GL_GREATER 0.01
//     colours=none       none, array (a colour per vertex) or flat (array, flat shading)
//     textures=1         textures drawn in turn, one draw each
//     draws=0            draws per frame when more than the textures (they take turns)
//     seconds=5          measured time (after one second of warm-up)
//     depth=24           depth buffer bits of the pixel format (0: none)
//     primitive=quads    quads (GL_QUADS) or triangles (two GL_TRIANGLES a quad)
// Prints one line: the options, quads, fragments, frames per second, ms and CPU
// ms (all threads) per frame, and the ms from process start to the first frame.
#include <windows.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
#ifndef GL_GENERATE_MIPMAP_SGIS
#define GL_GENERATE_MIPMAP_SGIS 0x8191
#endif

namespace {

struct Options {
    long fragments = 4000000;
    int quadW = 64, quadH = 64;
    int columns = 80, rows = 40;
    int texture = 64;
    char format[16] = "alpha";
    char filter[16] = "linear";
    char wrap[16] = "clamp";
    int alphaTest = 0;
    char colours[16] = "none";
    int textures = 1;
    int draws = 0;
    double seconds = 5.0;
    int depth = 24;
    char primitive[16] = "quads";
};

void ParseOption(Options& o, const char* arg) {
    char name[32] = {0};
    const char* eq = std::strchr(arg, '=');
    if (!eq || eq - arg >= static_cast<long>(sizeof name)) return;
    std::memcpy(name, arg, static_cast<size_t>(eq - arg));
    const char* v = eq + 1;
    if (!std::strcmp(name, "fragments")) o.fragments = std::atol(v);
    else if (!std::strcmp(name, "quad")) std::sscanf(v, "%dx%d", &o.quadW, &o.quadH);
    else if (!std::strcmp(name, "cells")) std::sscanf(v, "%dx%d", &o.columns, &o.rows);
    else if (!std::strcmp(name, "texture")) o.texture = std::atoi(v);
    else if (!std::strcmp(name, "format")) std::snprintf(o.format, sizeof o.format, "%s", v);
    else if (!std::strcmp(name, "filter")) std::snprintf(o.filter, sizeof o.filter, "%s", v);
    else if (!std::strcmp(name, "wrap")) std::snprintf(o.wrap, sizeof o.wrap, "%s", v);
    else if (!std::strcmp(name, "alphatest")) o.alphaTest = std::atoi(v);
    else if (!std::strcmp(name, "colours")) std::snprintf(o.colours, sizeof o.colours, "%s", v);
    else if (!std::strcmp(name, "textures")) o.textures = std::atoi(v);
    else if (!std::strcmp(name, "draws")) o.draws = std::atoi(v);
    else if (!std::strcmp(name, "seconds")) o.seconds = std::atof(v);
    else if (!std::strcmp(name, "depth")) o.depth = std::atoi(v);
    else if (!std::strcmp(name, "primitive")) std::snprintf(o.primitive, sizeof o.primitive, "%s", v);
    else std::fprintf(stderr, "unknown option %s\n", name);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A soft disc filling about half the picture, in alpha, white in colour.
GLuint MakeTexture(const Options& o, int index) {
    const int side = o.texture > 0 && o.texture <= 2048 ? o.texture : 64;
    std::vector<unsigned char> pixels(static_cast<size_t>(side) * side * 4);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double dx = (x + 0.5) / side - 0.5, dy = (y + 0.5) / side - 0.5;
            const double r = std::sqrt(dx * dx + dy * dy) * (3.0 + 0.01 * index);
            unsigned char* p = &pixels[(static_cast<size_t>(y) * side + x) * 4];
            p[0] = p[1] = p[2] = 255;
            p[3] = static_cast<unsigned char>(r < 1.0 ? 255.0 * (1.0 - r * r) : 0.0);
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const GLint wrap = std::strcmp(o.wrap, "edge") ? GL_CLAMP : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    const bool mipmap = std::strcmp(o.filter, "linear") != 0;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    !mipmap ? GL_LINEAR
                            : (std::strcmp(o.filter, "trilinear") ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR));
    if (mipmap) glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
    const GLint internal = std::strcmp(o.format, "rgba") ? GL_ALPHA8 : GL_RGBA8;
    glTexImage2D(GL_TEXTURE_2D, 0, internal, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) ParseOption(o, argv[i]);
    if (o.textures < 1) o.textures = 1;
    if (o.columns < 1) o.columns = 1;
    if (o.rows < 1) o.rows = 1;

    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "kvs_ceiling";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "ceiling", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                  height, nullptr, nullptr, wc.hInstance, nullptr);
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = static_cast<BYTE>(o.depth);
    SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd);
    HGLRC context = wglCreateContext(dc);
    wglMakeCurrent(dc, context);

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    if (o.alphaTest) {
        glAlphaFunc(GL_GREATER, 0.01f);
        glEnable(GL_ALPHA_TEST);
    }
    std::vector<GLuint> textures;
    for (int i = 0; i < o.textures; ++i) textures.push_back(MakeTexture(o, i));

    // Quads centred on the cells in turn, until the fragment count is reached.
    const long area = static_cast<long>(o.quadW) * o.quadH;
    const long quads = area > 0 && o.fragments > 0 ? (o.fragments + area - 1) / area : 0;
    std::vector<float> positions, texCoords, colours;
    const double cellW = static_cast<double>(width) / o.columns, cellH = static_cast<double>(height) / o.rows;
    for (long q = 0; q < quads; ++q) {
        const long cell = q % (static_cast<long>(o.columns) * o.rows);
        const float cx = static_cast<float>((cell % o.columns + 0.5) * cellW);
        const float cy = static_cast<float>((cell / o.columns + 0.5) * cellH);
        const float hw = o.quadW * 0.5f, hh = o.quadH * 0.5f;
        const float corners[8] = {cx - hw, cy - hh, cx + hw, cy - hh, cx + hw, cy + hh, cx - hw, cy + hh};
        static const float kTex[8] = {0.01f, 0.01f, 0.99f, 0.01f, 0.99f, 0.99f, 0.01f, 0.99f};
        const float shade = 0.3f + 0.7f * static_cast<float>(q % 7) / 6.0f;
        for (int k = 0; k < 8; ++k) {
            positions.push_back(corners[k]);
            texCoords.push_back(kTex[k]);
        }
        for (int k = 0; k < 4; ++k) {
            colours.push_back(0.2f * shade);
            colours.push_back(shade);
            colours.push_back(0.3f * shade);
        }
    }
    // Two triangles a quad, corners 0 1 2 and 0 2 3.
    const bool triangles = !std::strcmp(o.primitive, "triangles");
    const int perQuad = triangles ? 6 : 4;
    if (triangles) {
        static const int kCorner[6] = {0, 1, 2, 0, 2, 3};
        std::vector<float> p2, t2, c2;
        for (long q = 0; q < quads; ++q)
            for (int k : kCorner) {
                const size_t v = static_cast<size_t>(q) * 4 + k;
                p2.insert(p2.end(), {positions[v * 2], positions[v * 2 + 1]});
                t2.insert(t2.end(), {texCoords[v * 2], texCoords[v * 2 + 1]});
                c2.insert(c2.end(), {colours[v * 3], colours[v * 3 + 1], colours[v * 3 + 2]});
            }
        positions.swap(p2);
        texCoords.swap(t2);
        colours.swap(c2);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, positions.data());
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
    const bool colourArray = std::strcmp(o.colours, "none") != 0;
    if (colourArray) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 0, colours.data());
    } else {
        glColor3f(0.2f, 1.0f, 0.3f);
    }
    if (!std::strcmp(o.colours, "flat")) glShadeModel(GL_FLAT);

    // CPU time of the whole process (the rasteriser's threads included).
    auto cpuSeconds = [] {
        FILETIME created, exited, kernel, user;
        if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
        const auto value = [](const FILETIME& t) {
            return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
        };
        return value(kernel) + value(user);
    };
    double cpuFrom = 0.0, firstFrameMs = -1.0, firstFrameCpuMs = -1.0;
    // Milliseconds from the creation of this process to now.
    auto sinceProcessStart = [] {
        FILETIME created, exited, kernel, user, now;
        if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1.0;
        GetSystemTimeAsFileTime(&now);
        const auto value = [](const FILETIME& t) {
            return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
        };
        return (value(now) - value(created)) / 1e4;
    };
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    const double warmUp = 1.0;
    long frames = 0;
    double measuredFrom = -1.0, elapsed = 0.0;
    QueryPerformanceCounter(&start);
    MSG message;
    bool running = true;
    while (running) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) running = false;
            DispatchMessageA(&message);
        }
        if (!running) break;
        glClear(GL_COLOR_BUFFER_BIT);
        // The quads are shared out over the draws in equal runs.
        const int draws = o.draws > o.textures ? o.draws : o.textures;
        const long share = (quads + draws - 1) / draws;
        for (int d = 0; d < draws; ++d) {
            const long first = d * share;
            const long count = first + share <= quads ? share : quads - first;
            if (count <= 0) break;
            glBindTexture(GL_TEXTURE_2D, textures[d % o.textures]);
            glDrawArrays(triangles ? GL_TRIANGLES : GL_QUADS, static_cast<GLint>(first * perQuad),
                         static_cast<GLsizei>(count * perQuad));
        }
        SwapBuffers(dc);
        if (firstFrameMs < 0.0) {
            firstFrameMs = sinceProcessStart();
            firstFrameCpuMs = cpuSeconds() * 1000.0;
        }
        QueryPerformanceCounter(&now);
        elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
        if (measuredFrom < 0.0) {
            if (elapsed >= warmUp) {
                measuredFrom = elapsed;
                cpuFrom = cpuSeconds();
            }
            continue;
        }
        ++frames;
        if (elapsed - measuredFrom >= o.seconds) break;
    }
    const double seconds = elapsed - measuredFrom;
    const double cpu = cpuSeconds() - cpuFrom;
    const double fps = seconds > 0.0 ? frames / seconds : 0.0;
    std::printf("ceiling size=%dx%d quad=%dx%d texture=%d format=%s filter=%s wrap=%s alphatest=%d colours=%s "
                "textures=%d draws=%d depth=%d primitive=%s quads=%ld fragments=%ld fps=%.1f ms=%.2f cpu_ms=%.2f first_frame_ms=%.1f first_frame_cpu_ms=%.1f\n",
                width, height, o.quadW, o.quadH, o.texture, o.format, o.filter, o.wrap, o.alphaTest, o.colours,
                o.textures, o.draws, o.depth, o.primitive, quads, quads * area, fps, fps > 0.0 ? 1000.0 / fps : 0.0,
                frames > 0 ? cpu * 1000.0 / frames : 0.0, firstFrameMs, firstFrameCpuMs);
    std::fflush(stdout);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
    ReleaseDC(window, dc);
    DestroyWindow(window);
    return 0;
}
