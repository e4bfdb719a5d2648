"""Korvid particle effects from Python: load, change, save and render entities
without a display (the library runs on its own headless OpenGL context)."""
from ._korvid import Burst, Emitter, Entity, KorvidError, Surface

__all__ = ["Burst", "Emitter", "Entity", "KorvidError", "Surface"]
