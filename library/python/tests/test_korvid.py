"""The korvid module against the samples and korvid-render."""
import glob
import os
import struct
import subprocess
import sys
import zlib

import numpy as np
import pytest

import korvid

SAMPLES = os.environ.get("KORVID_SAMPLES", os.path.join(os.path.dirname(__file__), "../../../samples"))
RENDER = os.environ.get("KORVID_RENDER", "korvid-render")


def read_png(path):
    """The RGBA pixels of an 8-bit RGBA or RGB PNG, as korvid-render writes them."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6)
            channels = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    out = np.zeros((height, stride), dtype=np.uint8)
    previous = np.zeros(stride, dtype=np.int32)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = np.frombuffer(raw, dtype=np.uint8, count=stride, offset=y * (stride + 1) + 1).astype(np.int32)
        row = np.zeros(stride, dtype=np.int32)
        for x in range(stride):
            a = row[x - channels] if x >= channels else 0
            b = previous[x]
            c = previous[x - channels] if x >= channels else 0
            if kind == 0:
                v = line[x]
            elif kind == 1:
                v = line[x] + a
            elif kind == 2:
                v = line[x] + b
            elif kind == 3:
                v = line[x] + (a + b) // 2
            else:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                v = line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)
            row[x] = v & 0xFF
        out[y] = row
        previous = row
    return out.reshape(height, width, channels)


@pytest.mark.parametrize("sample", sorted(glob.glob(os.path.join(SAMPLES, "*.zob"))))
def test_change_save_reload(sample, tmp_path):
    entity = korvid.Entity.load(sample)
    surfaces, emitters = entity.surfaces, entity.emitters
    assert surfaces or emitters
    if emitters:
        emitters[0].life = 1234
        emitters[0].start_color = [0.25, 0.5, 0.75, 1.0]
        emitters[0].burst.count = 7
        expected = (emitters[0].name, 1234, [0.25, 0.5, 0.75, 1.0])
    if surfaces:
        surfaces[0].shininess = 42.0
    out = tmp_path / "changed.zob"
    entity.save(str(out))
    again = korvid.Entity.load(str(out))
    if emitters:
        e = again.emitters[0]
        assert (e.name, e.life, list(e.start_color)) == expected
        assert len(again.emitters) == len(emitters)
    if surfaces:
        assert again.surfaces[0].shininess == 42.0


def test_render_equals_korvid_render(tmp_path):
    sample = os.path.join(SAMPLES, "fireworks.zob")
    png = tmp_path / "moment.png"
    subprocess.run([RENDER, sample, "-o", str(png), "--size", "96x72", "--time", "900", "--seed", "3"], check=True)
    picture = korvid.Entity.load(sample).render(size=(96, 72), time_ms=900, seed=3)
    assert picture.shape == (72, 96, 3) and picture.dtype == np.uint8
    assert np.array_equal(picture, read_png(str(png))[:, :, :3])
    assert picture.max() > 0


def test_transparent_render_and_stats():
    entity = korvid.Entity.load(os.path.join(SAMPLES, "campfire.zob"))
    picture = entity.render(size=(64, 48), time_ms=1500, transparent=True)
    assert picture.shape == (48, 64, 4)
    assert 0 < int((picture[:, :, 3] > 0).sum()) < 64 * 48
    stats = entity.stats(1500)
    assert [s["name"] for s in stats] == ["Fire", "Smoke", "Sparks"]
    assert all(s["live"] > 0 for s in stats)


def test_add_and_remove_emitters(tmp_path):
    entity = korvid.Entity.load(os.path.join(SAMPLES, "sparks.zob"))
    added = entity.add_emitter("Extra jet")
    assert added.name == "Extra_jet"
    assert len(entity.emitters) == 2
    entity.remove_emitter(0)
    assert [e.name for e in entity.emitters] == ["Extra_jet"]


def test_errors_carry_the_librarys_message(tmp_path):
    with pytest.raises(korvid.KorvidError, match="File not found"):
        korvid.Entity.load(str(tmp_path / "missing.zob"))
    bad = tmp_path / "bad.zob"
    bad.write_text("#ZOBv0.1\n")
    with pytest.raises(korvid.KorvidError, match="Unsuported File Version"):
        korvid.Entity.load(str(bad))
    first = korvid.Entity.load(os.path.join(SAMPLES, "sparks.zob"))
    korvid.Entity.load(os.path.join(SAMPLES, "smoke.zob"))
    with pytest.raises(korvid.KorvidError, match="replaced"):
        first.emitters
    entity = korvid.Entity.load(os.path.join(SAMPLES, "sparks.zob"))
    with pytest.raises(korvid.KorvidError, match="Too many particles"):
        entity.emitters[0].total_particles = 5000000
    with pytest.raises(korvid.KorvidError):
        entity.render(size=(0, 10))


def test_the_thumbnailer_writes_a_picture_of_the_size_asked(tmp_path):
    source = os.environ.get("KORVID_SOURCE", os.path.join(os.path.dirname(__file__), "../../.."))
    entry = open(os.path.join(source, "packaging/korvid-render.thumbnailer")).read().splitlines()
    assert entry[0] == "[Thumbnailer Entry]"
    fields = dict(line.split("=", 1) for line in entry[1:] if "=" in line)
    assert "model/x-vantor-zob;" == fields["MimeType"]
    out = tmp_path / "thumbnail.png"
    command = [arg.replace("%i", os.path.join(SAMPLES, "magic.zob")).replace("%o", str(out)).replace("%s", "128")
               for arg in fields["Exec"].split()]
    assert command[0] == fields["TryExec"] == "korvid-render"
    subprocess.run([RENDER] + command[1:], check=True)
    picture = read_png(str(out))
    assert picture.shape[:2] == (128, 128)
    assert picture[:, :, :3].max() > 0


def test_the_readme_example_makes_a_contact_sheet(tmp_path):
    source = os.environ.get("KORVID_SOURCE", os.path.join(os.path.dirname(__file__), "../../.."))
    sheet = tmp_path / "sheet.ppm"
    subprocess.run([sys.executable, os.path.join(source, "examples/contact_sheet.py"), SAMPLES, str(sheet)], check=True)
    header = open(sheet, "rb").read(20).split(b"\n")[0].split()
    count = len(glob.glob(os.path.join(SAMPLES, "*.zob")))
    assert header == [b"P6", b"640", str(120 * ((count + 3) // 4)).encode(), b"255"]


def test_render_leaves_no_temporary_file_and_follows_no_planted_link(tmp_path):
    import tempfile
    victim = tmp_path / "victim.txt"
    victim.write_text("mine")
    # The name an earlier version used: another user could plant a link there.
    planted = os.path.join(tempfile.gettempdir(), "korvid-py-%d.zob" % os.getpid())
    if os.path.lexists(planted):
        os.remove(planted)
    os.symlink(victim, planted)
    before = set(glob.glob(os.path.join(tempfile.gettempdir(), "korvid-py-*")))
    try:
        entity = korvid.Entity.load(os.path.join(SAMPLES, "fountain.zob"))
        picture = entity.render(size=(32, 24), time_ms=300)
        assert picture.shape[:2] == (24, 32)
        assert victim.read_text() == "mine"
        assert set(glob.glob(os.path.join(tempfile.gettempdir(), "korvid-py-*"))) == before
    finally:
        os.remove(planted)


def test_a_failed_load_leaves_the_entity_before_it_alone(tmp_path):
    good = korvid.Entity.load(os.path.join(SAMPLES, "campfire.zob"))
    good.emitters[0].life = 1234
    names = [e.name for e in good.emitters]
    damaged = tmp_path / "damaged.zob"
    text = open(os.path.join(SAMPLES, "sparks.zob")).read()
    damaged.write_text(text[: text.index("[PARTICLE_SYSTEMS]") + 40])
    for wrong in (str(damaged), str(tmp_path / "missing.zob")):
        with pytest.raises(korvid.KorvidError) as refused:
            korvid.Entity.load(wrong)
        assert os.path.basename(wrong) in str(refused.value), "the message names the file"
        assert [e.name for e in good.emitters] == names
        assert good.emitters[0].life == 1234, "the edit is still there"
    saved = tmp_path / "kept.zob"
    good.save(str(saved))
    again = korvid.Entity.load(str(saved))
    assert [e.name for e in again.emitters] == names
    assert again.emitters[0].life == 1234


def test_a_path_with_a_nul_character_is_refused(tmp_path):
    victim = tmp_path / "victim"
    victim.write_text("mine")
    entity = korvid.Entity.load(os.path.join(SAMPLES, "sparks.zob"))
    with pytest.raises(ValueError):
        entity.save(str(victim) + "\x00.zob")
    assert victim.read_text() == "mine"
    with pytest.raises(ValueError):
        korvid.Entity.load(str(victim) + "\x00.zob")


def test_an_entity_works_from_another_thread():
    import threading
    entity = korvid.Entity.load(os.path.join(SAMPLES, "fireworks.zob"))
    here = entity.render(size=(64, 48), time_ms=1500)
    results = {}

    def work():
        try:
            results["picture"] = entity.render(size=(64, 48), time_ms=1500)
            results["name"] = entity.emitters[0].name
        except Exception as error:  # reported below, not lost in the thread
            results["error"] = error

    worker = threading.Thread(target=work)
    worker.start()
    worker.join()
    assert "error" not in results, results.get("error")
    assert int(here.sum()) > 0
    assert np.array_equal(results["picture"], here)
    assert results["name"] == entity.emitters[0].name
    # And back on this thread.
    assert np.array_equal(entity.render(size=(64, 48), time_ms=1500), here)


def test_ctrl_c_stops_a_long_seek_and_leaves_the_entity_usable():
    entity = korvid.Entity.load(os.path.join(SAMPLES, "fireworks.zob"))
    # The signal comes from another process, as a terminal's Ctrl+C does: the
    # seek holds the interpreter's lock, so no thread of this one could send it.
    sender = subprocess.Popen(["sh", "-c", f"sleep 0.3; kill -INT {os.getpid()}"])
    try:
        with pytest.raises(KeyboardInterrupt):
            entity.stats(2**31 - 1)
    finally:
        sender.wait()
    assert [s["live"] for s in entity.stats(1500)] == [s["live"] for s in entity.stats(1500)]
    assert any(s["live"] > 0 for s in entity.stats(1500))


def test_attributes_refuse_what_the_library_does_not_take():
    entity = korvid.Entity.load(os.path.join(SAMPLES, "campfire.zob"))
    fire, smoke, sparks = entity.emitters
    total = smoke.total_particles
    with pytest.raises(korvid.KorvidError, match="total_particles"):
        smoke.total_particles = -5
    assert smoke.total_particles == total
    with pytest.raises(korvid.KorvidError, match="at least emitter_per_cycle"):
        smoke.emitter_per_cycle = 100000
    # A proxy follows its emitter when one before it goes, and refuses once its own went.
    entity.remove_emitter(0)
    assert smoke.name == "Smoke" and sparks.name == "Sparks"
    with pytest.raises(korvid.KorvidError, match="removed"):
        fire.name
    with pytest.raises(korvid.KorvidError, match="removed"):
        fire.life = 10
    with pytest.raises(korvid.KorvidError, match="removed"):
        fire.burst


def test_curves_and_shapes_round_trip_through_a_file(tmp_path):
    entity = korvid.Entity.load(os.path.join(SAMPLES, "sparks.zob"))
    jet = entity.emitters[0]
    jet.colour_curve = [(0.0, 1.0, 0.5, 0.0, 1.0), (1.0, 0.2, 0.2, 0.2, 0.0)]
    jet.size_curve = [(0.0, 0.1), (0.5, 0.3), (1.0, 0.0)]
    jet.shape = {"kind": "sphere", "size": 0.5, "shell": True}
    with pytest.raises(korvid.KorvidError, match="Curve refused"):
        jet.size_curve = [(0.5, 0.1), (0.2, 0.1)]
    with pytest.raises(korvid.KorvidError, match="shape refused"):
        jet.shape = {"kind": "box", "size": [-1, 1, 1]}
    with pytest.raises(ValueError):
        jet.shape = {"kind": "cone"}
    entity.save(str(tmp_path / "shaped.zob"))
    again = korvid.Entity.load(str(tmp_path / "shaped.zob")).emitters[0]
    assert again.colour_curve == [(0.0, 1.0, 0.5, 0.0, 1.0), pytest.approx((1.0, 0.2, 0.2, 0.2, 0.0))]
    assert [k[0] for k in again.size_curve] == [0.0, 0.5, 1.0]
    assert again.shape == {"kind": "sphere", "size": [0.5, 0.0, 0.0], "shell": True}
    again.size_curve = None
    assert again.size_curve == []


def test_fields_colliders_and_hits(tmp_path):
    entity = korvid.Entity.load(os.path.join(SAMPLES, "sparks.zob"))
    jet = entity.emitters[0]
    jet.fields = [{"kind": "noise", "strength": 0.002, "frequency": 1.5},
                  {"kind": "wind", "axis": [3, 0, 4], "strength": 0.001}]
    jet.colliders = [{"kind": "plane", "position": [0, 0.05, 0], "bounce": 0.5, "response": "bounce"},
                     {"kind": "sphere", "position": [0.5, 0.3, 0], "size": 0.2, "response": "die"}]
    assert jet.fields[1]["axis"] == pytest.approx([0.6, 0.0, 0.8])
    assert [c["response"] for c in jet.colliders] == ["bounce", "die"]
    with pytest.raises(korvid.KorvidError, match="Colliders refused"):
        jet.colliders = [{"kind": "plane", "axis": [0, 0, 0]}]
    with pytest.raises(korvid.KorvidError, match="Force fields refused"):
        jet.fields = [{"kind": "attractor", "radius": -1}]
    with pytest.raises(ValueError):
        jet.fields = [{"kind": "tornado"}]
    hits = entity.stats(3000)[0]["hits"]
    assert hits > 0
    fields, colliders = jet.fields, jet.colliders
    entity.save(str(tmp_path / "forces.zob"))
    again = korvid.Entity.load(str(tmp_path / "forces.zob"))
    assert again.emitters[0].fields == fields
    assert again.emitters[0].colliders == colliders
    assert again.stats(3000)[0]["hits"] == hits
    again.emitters[0].colliders = None
    assert again.emitters[0].colliders == []
    assert again.stats(3000)[0]["hits"] == 0


def test_flipbook_spin_trail_and_sort(tmp_path):
    entity = korvid.Entity.load(os.path.join(SAMPLES, "smoke.zob"))
    puff = entity.emitters[0]
    before = entity.render(size=(64, 48), time_ms=1500)
    puff.flipbook = {"columns": 2, "rows": 2, "frames": 4, "over_life": 1, "blend": 1}
    puff.spin = {"spin": 1.5, "spin_var": 0.5}
    puff.trail = {"enabled": 1, "length": 300, "width_start": 0.05}
    puff.sort = "back_to_front"
    assert puff.flipbook["frames"] == 4 and puff.flipbook["fps"] == 0
    assert puff.spin["spin_var"] == pytest.approx(0.5)
    with pytest.raises(korvid.KorvidError, match="Particle look refused"):
        puff.flipbook = {"frames": 5}
    with pytest.raises(korvid.KorvidError, match="Particle look refused"):
        puff.trail = {"alpha_end": 2}
    with pytest.raises(ValueError):
        puff.spin = {"turns": 1}
    with pytest.raises(ValueError):
        puff.sort = "front_to_back"
    assert puff.flipbook["frames"] == 4, "a refusal changes nothing"
    after = entity.render(size=(64, 48), time_ms=1500)
    assert not np.array_equal(before, after)
    look = (puff.flipbook, puff.spin, puff.trail, puff.sort)
    entity.save(str(tmp_path / "look.zob"))
    again = korvid.Entity.load(str(tmp_path / "look.zob"))
    back = again.emitters[0]
    assert (back.flipbook, back.spin, back.trail, back.sort) == look
    assert np.array_equal(again.render(size=(64, 48), time_ms=1500), after)
    back.flipbook = back.spin = back.trail = None
    back.sort = "none"
    assert back.trail["enabled"] == 0
    assert np.array_equal(again.render(size=(64, 48), time_ms=1500), before)


def test_save_png_writes_what_render_made(tmp_path):
    entity = korvid.Entity.load(os.path.join(SAMPLES, "fireworks.zob"))
    for transparent in (False, True):
        picture = entity.render(size=(40, 30), time_ms=1200, transparent=transparent)
        path = tmp_path / f"p{int(transparent)}.png"
        korvid.save_png(picture, str(path))
        back = read_png(str(path))
        assert np.array_equal(back[:, :, :picture.shape[2]], picture)
    with pytest.raises(ValueError):
        korvid.save_png(np.zeros((4, 4), dtype=np.uint8), str(tmp_path / "flat.png"))


def test_the_effect_camera_keeps_the_smoke_in_the_picture():
    entity = korvid.Entity.load(os.path.join(SAMPLES, "smoke.zob"))

    def smoke_at_top(picture):
        top = picture[:3].astype(int)
        grey = (top[:, :, 0] > 60) & (abs(top[:, :, 0] - top[:, :, 1]) < 20) & (abs(top[:, :, 1] - top[:, :, 2]) < 20)
        return int(grey.sum())

    assert smoke_at_top(entity.render(size=(160, 120), time_ms=4000)) > 10
    assert smoke_at_top(entity.render(size=(160, 120), time_ms=4000, camera="effect")) == 0
    with pytest.raises(ValueError):
        entity.render(camera="around")
