"""Writes the page as one file: page.html with emscripten's script and the WebAssembly inside, in
place of its {{{ SCRIPT }}}. The WebAssembly goes in as base64 for the page's morvaneBytes, which
decodes it natively where the browser can; emscripten's own single-file output decodes it in a
JavaScript loop, which takes longer than compiling the module and running main together.

    one_file.py page.html build/web/morvane_web.js build/web/Morvane.html
"""

import base64
import sys
from pathlib import Path

PLACE = "{{{ SCRIPT }}}"


def main():
    shell, script, output = (Path(argument) for argument in sys.argv[1:])
    page = shell.read_text(encoding="utf-8")
    code = script.read_text(encoding="utf-8")
    wasm = base64.b64encode(script.with_suffix(".wasm").read_bytes()).decode("ascii")
    if page.count(PLACE) != 1:
        sys.exit(f"{shell}: expected {PLACE} once")
    if "</script" in code.lower():
        sys.exit(f"{script}: the script would end its own element")
    inline = (f'<script>Module.wasmBinary = morvaneBytes("{wasm}");</script>\n'
              f"<script>\n{code}</script>")
    output.write_text(page.replace(PLACE, inline), encoding="utf-8")


if __name__ == "__main__":
    main()
