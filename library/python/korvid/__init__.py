"""Korvid particle effects from Python: load, change, save and render entities
without a display (the library runs on its own headless OpenGL context)."""
from ._korvid import Burst, Emitter, Entity, KorvidError, Surface, save_png

__all__ = ["Burst", "Emitter", "Entity", "KorvidError", "Surface", "save_png"]
