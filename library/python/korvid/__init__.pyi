"""Type stubs of the korvid module."""
from typing import Any, Dict, List, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

class KorvidError(RuntimeError): ...

class Surface:
    name: str
    blending: int
    culling: int
    anim1: int
    anim2: int
    anim_translate1: Sequence[float]
    anim_rotate1: Sequence[float]
    anim_translate2: Sequence[float]
    anim_rotate2: Sequence[float]
    gen_mode1: int
    gen_mode2: int
    plane_mode1: int
    plane_mode2: int
    texture_count: int
    texture1_name: str
    s_plane1: Sequence[float]
    t_plane1: Sequence[float]
    tex_env1: int
    texture2_name: str
    s_plane2: Sequence[float]
    t_plane2: Sequence[float]
    tex_env2: int
    smooth: int
    angle: float
    diffuse: Sequence[float]
    ambient: Sequence[float]
    specular: Sequence[float]
    emission: Sequence[float]
    shininess: float
    vertex_float_count: int
    polygon_count: int

class Burst:
    count: int
    life: int
    life_var: int
    yaw: float
    yaw_var: float
    pitch: float
    pitch_var: float
    speed: float
    speed_var: float
    start_color: Sequence[float]
    start_color_var: Sequence[float]
    end_color: Sequence[float]
    end_color_var: Sequence[float]
    start_size: float
    start_size_var: float
    end_size: float
    end_size_var: float

class Emitter:
    name: str
    particle_type: int
    is_reflected: int
    ground_position: float
    is_burst: int
    is_burst_on_ground: int
    is_lighting: int
    is_alt_alpha: int
    is_lifespan: int
    lifespan_time: int
    is_attach_to_model: int
    position: Sequence[float]
    yaw: float
    yaw_var: float
    pitch: float
    pitch_var: float
    speed: float
    speed_var: float
    total_particles: int
    emitter_per_cycle: int
    emitter_per_cycle_var: int
    emitter_time: int
    life: int
    life_var: int
    start_color: Sequence[float]
    start_color_var: Sequence[float]
    end_color: Sequence[float]
    end_color_var: Sequence[float]
    start_size: float
    start_size_var: float
    end_size: float
    end_size_var: float
    image_name: str
    force: Sequence[float]
    # Colour over life as (time, r, g, b, a) keys and size over life as
    # (time, size) keys; [] or None removes a curve.
    colour_curve: List[Tuple[float, float, float, float, float]]
    size_curve: List[Tuple[float, float]]
    # {"kind": "point" | "sphere" | "box" | "disc" | "mesh", "size": [x, y, z], "shell": bool}
    shape: Dict[str, Any]
    # Force fields applied in order and colliders, as dicts (see help()).
    fields: List[Dict[str, Any]]
    colliders: List[Dict[str, Any]]
    @property
    def burst(self) -> Burst: ...

class Entity:
    @staticmethod
    def load(path: str) -> "Entity": ...
    def save(self, path: str) -> None: ...
    @property
    def surfaces(self) -> list[Surface]: ...
    @property
    def emitters(self) -> list[Emitter]: ...
    def add_emitter(self, name: str = "Emitter") -> Emitter: ...
    def remove_emitter(self, index: int) -> None: ...
    def render(self, size: Tuple[int, int] = (640, 480), time_ms: int = 0,
               camera: Union[None, str, Tuple[float, float, float, float, float, float]] = None,
               seed: int = 1, transparent: bool = False) -> npt.NDArray[np.uint8]: ...
    def stats(self, time_ms: int) -> list[dict]: ...

def save_png(pixels: npt.NDArray[np.uint8], path: str) -> None: ...
