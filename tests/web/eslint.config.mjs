// ESLint over the page's own JavaScript: the scripts in window/web/page.html and the EM_JS bodies
// in window/web/main.cpp. Each file is linted as the JavaScript in it, with everything else
// blanked, so a finding's line is the file's own.
//
//     node tests/web/node_modules/eslint/bin/eslint.js -c tests/web/eslint.config.mjs \
//         window/web/page.html window/web/main.cpp
import js from "@eslint/js";

// `text` with every character outside the given [start, end) ranges made a space, lines kept.
function keep(text, ranges) {
    let kept = text.replace(/[^\n]/g, " ");
    for (const [start, end] of ranges) {
        kept = kept.slice(0, start) + text.slice(start, end) + kept.slice(end);
    }
    return kept;
}

// A processor that lints the one JavaScript text `extract` makes of a file.
function processor(extract) {
    return {
        preprocess: (text) => [{ text: extract(text), filename: "page.js" }],
        postprocess: (messages) => messages.flat(),
        supportsAutofix: false,
    };
}

// page.html: its <script> elements (emscripten puts its own where {{{ SCRIPT }}} stands).
function pageScripts(text) {
    const ranges = [];
    for (const match of text.matchAll(/<script>([^]*?)<\/script>/g)) {
        const start = match.index + "<script>".length;
        ranges.push([start, start + match[1].length]);
    }
    return keep(text, ranges);
}

// main.cpp: each EM_JS(type, name, (parameters), { body }) as `function name(parameters) {
// body }`, written on its head's first line; EM_ASYNC_JS as an async function.
function emJsBodies(text) {
    const head = /^EM_(ASYNC_)?JS\(\s*[^,]+,\s*(\w+),\s*\(([^)]*)\),\s*\{/gm;
    const blank = (from, to) => text.slice(from, to).replace(/[^\n]/g, " ");
    let kept = "";
    let done = 0;
    for (const match of text.matchAll(head)) {
        const bodyStart = match.index + match[0].length;
        const bodyEnd = text.indexOf("\n});", bodyStart) + 2;
        const parameters = match[3].split(",").map((p) => p.trim().split(/[\s*]+/).pop());
        kept += blank(done, match.index) +
            `${match[1] ? "async " : ""}function ${match[2]}(` +
            `${parameters.filter(Boolean).join(", ")}) {` +
            match[0].replace(/[^\n]/g, "") + text.slice(bodyStart, bodyEnd);
        done = bodyEnd;
    }
    return kept + blank(done, text.length);
}

const shell = {
    processors: { page: processor(pageScripts), "em-js": processor(emJsBodies) },
};

const browser = Object.fromEntries(
    ["addEventListener", "atob", "clearInterval", "clearTimeout", "document", "navigator",
        "setInterval", "setTimeout", "WebAssembly"]
        .map((name) => [name, "readonly"]));

export default [
    { files: ["**/*.html"], plugins: { shell }, processor: "shell/page" },
    { files: ["**/*.cpp"], plugins: { shell }, processor: "shell/em-js" },
    {
        files: ["**/*.html/*.js", "**/*.cpp/*.js"],
        ...js.configs.recommended,
        languageOptions: { ecmaVersion: 2022, sourceType: "script", globals: browser },
        rules: {
            ...js.configs.recommended.rules,
            eqeqeq: ["error", "smart"],
            "no-var": "off",
        },
    },
    {
        files: ["**/*.cpp/*.js"],
        languageOptions: {
            globals: {
                // emscripten's runtime, the page's notices, and the game's exports (morvane_*).
                Module: "readonly",
                UTF16ToString: "readonly",
                UTF8ToString: "readonly",
                stringToUTF16: "readonly",
                morvaneStopped: "readonly",
                _morvane_focus_after: "readonly",
                _morvane_press: "readonly",
                _morvane_rescale: "readonly",
                _morvane_tick: "readonly",
            },
        },
        // Each body is a function the game calls from C++.
        rules: { "no-unused-vars": ["error", { vars: "local" }] },
    },
];
