// WebGL 2 under the GL table (WebGl.cpp): one context on Module.canvas, one shader pair that
// lights each vertex as OpenGL 1.1's fixed lighting does (positional lights, the vertex colour
// as ambient and diffuse material, a specular highlight from the infinite viewer's half vector,
// no normalisation of the normals), smooth or flat colours, and round points.

var TvGlLibrary = {
  $TvGl: {
    gl: null,
    locations: {},
    buffer: null,
    vertexShader: `#version 300 es
uniform mat4 uMvp, uModelView;
uniform vec4 uLightPosition[3], uLightAmbient[3], uLightDiffuse[3], uLightSpecular[3];
uniform vec4 uSceneAmbient, uMaterialSpecular;
uniform float uShininess, uPointSize;
uniform bool uLighting;
in vec3 aPosition;
in vec3 aNormal;
in vec4 aColour;
out vec4 vColour;
flat out vec4 vFlatColour;  // the provoking (last) vertex's colour, as GL_FLAT takes it
void main() {
  vec4 p = vec4(aPosition, 1.0);
  gl_Position = uMvp * p;
  gl_PointSize = uPointSize;
  vec4 c = aColour;
  if (uLighting) {
    vec3 eye = (uModelView * p).xyz;
    vec3 n = mat3(uModelView) * aNormal;  // a turn and a shift: its own inverse transpose
    vec3 sum = uSceneAmbient.rgb * aColour.rgb;
    for (int i = 0; i < 3; ++i) {
      vec3 l = normalize(uLightPosition[i].xyz - eye);
      float nl = dot(n, l);
      sum += uLightAmbient[i].rgb * aColour.rgb;
      if (nl > 0.0) {
        sum += nl * uLightDiffuse[i].rgb * aColour.rgb;
        float nh = max(dot(n, normalize(l + vec3(0.0, 0.0, 1.0))), 0.0);
        sum += pow(nh, uShininess) * uLightSpecular[i].rgb * uMaterialSpecular.rgb;
      }
    }
    c = vec4(clamp(sum, 0.0, 1.0), aColour.a);
  }
  vColour = c;
  vFlatColour = c;
}`,
    fragmentShader: `#version 300 es
precision highp float;
uniform bool uFlat, uRoundPoints;
in vec4 vColour;
flat in vec4 vFlatColour;
out vec4 fragColour;
void main() {
  vec4 c = uFlat ? vFlatColour : vColour;
  if (uRoundPoints) {
    // A disc of the point's diameter: the pixels whose centres lie inside, at full colour.
    if (length(gl_PointCoord - vec2(0.5)) > 0.5) discard;
  }
  fragColour = c;
}`,
  },

  tv_gl_init__deps: ['$TvGl'],
  tv_gl_init: function () {
    var canvas = Module['canvas'];
    var gl = canvas && canvas.getContext('webgl2', {
      alpha: false, antialias: false, depth: true, stencil: true, premultipliedAlpha: false,
      preserveDrawingBuffer: true, powerPreference: 'high-performance'});
    if (!gl) return 0;
    TvGl.gl = gl;
    function shader(type, text) {
      var s = gl.createShader(type);
      gl.shaderSource(s, text);
      gl.compileShader(s);
      if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
      return s;
    }
    var program = gl.createProgram();
    gl.attachShader(program, shader(gl.VERTEX_SHADER, TvGl.vertexShader));
    gl.attachShader(program, shader(gl.FRAGMENT_SHADER, TvGl.fragmentShader));
    gl.bindAttribLocation(program, 0, 'aPosition');
    gl.bindAttribLocation(program, 1, 'aNormal');
    gl.bindAttribLocation(program, 2, 'aColour');
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(program));
    gl.useProgram(program);
    ['uMvp', 'uModelView', 'uLightPosition', 'uLightAmbient', 'uLightDiffuse', 'uLightSpecular',
     'uSceneAmbient', 'uMaterialSpecular', 'uShininess', 'uPointSize', 'uLighting', 'uFlat',
     'uRoundPoints'].forEach(function (name) {
      TvGl.locations[name] = gl.getUniformLocation(program, name);
    });
    TvGl.buffer = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, TvGl.buffer);
    var stride = 40;
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 3, gl.FLOAT, false, stride, 0);
    gl.enableVertexAttribArray(1);
    gl.vertexAttribPointer(1, 3, gl.FLOAT, false, stride, 12);
    gl.enableVertexAttribArray(2);
    gl.vertexAttribPointer(2, 4, gl.FLOAT, false, stride, 24);
    gl.frontFace(gl.CCW);
    gl.cullFace(gl.BACK);
    return 1;
  },

  tv_gl_canvas_size: function (width, height) {
    var canvas = Module['canvas'];
    if (canvas.width !== width) canvas.width = width;
    if (canvas.height !== height) canvas.height = height;
  },

  // The state block: see DrawState in WebGl.cpp.
  tv_gl_draw__deps: ['$TvGl'],
  tv_gl_draw: function (vertices, count, state) {
    var gl = TvGl.gl, u = TvGl.locations, s = state >> 2;
    var f = HEAPF32;
    gl.uniformMatrix4fv(u.uMvp, false, f.subarray(s, s + 16));
    gl.uniformMatrix4fv(u.uModelView, false, f.subarray(s + 16, s + 32));
    gl.uniform4fv(u.uLightPosition, f.subarray(s + 32, s + 44));
    gl.uniform4fv(u.uLightAmbient, f.subarray(s + 44, s + 56));
    gl.uniform4fv(u.uLightDiffuse, f.subarray(s + 56, s + 68));
    gl.uniform4fv(u.uLightSpecular, f.subarray(s + 68, s + 80));
    gl.uniform4fv(u.uSceneAmbient, f.subarray(s + 80, s + 84));
    gl.uniform4fv(u.uMaterialSpecular, f.subarray(s + 84, s + 88));
    gl.uniform1f(u.uShininess, f[s + 88]);
    gl.uniform1f(u.uPointSize, f[s + 89]);
    gl.uniform1i(u.uLighting, f[s + 90]);
    gl.uniform1i(u.uFlat, f[s + 91]);
    gl.uniform1i(u.uRoundPoints, f[s + 92]);
    var v = vertices >> 2;
    gl.bufferData(gl.ARRAY_BUFFER, f.subarray(v, v + count * 10), gl.STREAM_DRAW);
    gl.drawArrays(f[s + 93], 0, count);
  },

  tv_gl_enable__deps: ['$TvGl'],
  tv_gl_enable: function (capability, on) {
    if (on) TvGl.gl.enable(capability); else TvGl.gl.disable(capability);
  },
  tv_gl_depth_func__deps: ['$TvGl'],
  tv_gl_depth_func: function (func) { TvGl.gl.depthFunc(func); },
  tv_gl_blend_func__deps: ['$TvGl'],
  tv_gl_blend_func: function (source, destination) { TvGl.gl.blendFunc(source, destination); },
  tv_gl_clear_color__deps: ['$TvGl'],
  tv_gl_clear_color: function (r, g, b, a) { TvGl.gl.clearColor(r, g, b, a); },
  tv_gl_clear_depth__deps: ['$TvGl'],
  tv_gl_clear_depth: function (depth) { TvGl.gl.clearDepth(depth); },
  tv_gl_clear__deps: ['$TvGl'],
  tv_gl_clear: function (mask) { TvGl.gl.clear(mask); },
  tv_gl_viewport__deps: ['$TvGl'],
  tv_gl_viewport: function (x, y, width, height) { TvGl.gl.viewport(x, y, width, height); },
};

mergeInto(LibraryManager.library, TvGlLibrary);
