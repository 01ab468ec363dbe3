#include "effects/hooks.h"

#include "effects/console.h"
#include "effects/crash.h"
#include "effects/effect_cells.h"
#include "host/display_table.h"
#include "render/gl_api.h"

void DrawOverlayQuads(int display, const OverlayQuad* quads, int count) {
    if (display < 0 || display >= kDisplayCapacity || count <= 0) return;
    glLoadIdentity();
    glTranslatef(static_cast<float>(displayRects[display].left - desktopRect.left),
                 static_cast<float>(displayRects[display].top - desktopRect.top), 0.0f);
    for (int i = 0; i < count; ++i) {
        const OverlayQuad& q = quads[i];
        if (q.veil) {
            glDisable(GL_TEXTURE_2D);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glColor4f(0.0f, 0.0f, 0.0f, q.alpha);
        } else {
            glBindTexture(GL_TEXTURE_2D, q.texture);
            glColor3f(q.red, q.green, q.blue);
        }
        glBegin(GL_QUADS);
        glTexCoord2f(q.u0, q.v0);
        glVertex2f(q.left, q.top);
        glTexCoord2f(q.u1, q.v0);
        glVertex2f(q.right, q.top);
        glTexCoord2f(q.u1, q.v1);
        glVertex2f(q.right, q.bottom);
        glTexCoord2f(q.u0, q.v1);
        glVertex2f(q.left, q.bottom);
        glEnd();
        if (q.veil) {
            glEnable(GL_TEXTURE_2D);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        }
    }
}

void DrawConsoleIntro() {
    OverlayQuad quads[kOverlayQuadCapacity];
    for (int d = 0; d < EffectDisplays(); ++d) DrawOverlayQuads(d, quads, ConsoleIntroQuads(d, quads));
}

void DrawCrashFlashes() {
    OverlayQuad quads[kOverlayQuadCapacity];
    for (int d = 0; d < EffectDisplays(); ++d) DrawOverlayQuads(d, quads, CrashOverlayQuads(d, quads));
}
