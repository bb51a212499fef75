#include "render/Gl.h"

namespace tv {
GlDispatch gl;
}
