"""A contact sheet of every entity in a folder: python3 contact_sheet.py FOLDER SHEET.ppm"""
import glob, sys
import numpy as np
import korvid

files = sorted(glob.glob(f"{sys.argv[1]}/*.zob"))
tiles = [korvid.Entity.load(f).render(size=(160, 120), time_ms=1500) for f in files]
tiles += [np.zeros_like(tiles[0])] * (-len(tiles) % 4)  # the last row filled up
sheet = np.vstack([np.hstack(tiles[i:i + 4]) for i in range(0, len(tiles), 4)])
with open(sys.argv[2], "wb") as out:
    out.write(b"P6 %d %d 255\n" % (sheet.shape[1], sheet.shape[0]) + sheet.tobytes())
