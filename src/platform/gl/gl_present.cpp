// GL calls shared by the GL backends: fixed state, projection, clear, present.
#include "platform/gl/gl_present.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "platform/platform.h"

void SetGLProjection(int32_t width, int32_t height)
{
    if (height == 0)
        height = 1;
    (void)width;
    // Always the same viewport: the picture reaches the window through glDrawPixels, not the projection.
    glViewport(0, 0, 320, 240);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(4.0f / 3.0f), static_cast<double>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool SetupGLState()
{
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(1.0f, 0.0f, 0.9f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return true;
}

void ClearGLFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void DrawPixelsToGL(const uint8_t* rgba, int32_t width, int32_t height, int32_t zoom)
{
    glDisable(GL_TEXTURE_2D);
    if (zoom >= 1 && zoom <= 5)
        glPixelZoom(static_cast<float>(zoom), static_cast<float>(zoom));
    glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void FinishGLPresent() { glEnable(GL_TEXTURE_2D); }
