// The page's loader: downloads the demo's module on a worker thread, so that
// the bytes coming in leave the page's own thread free. The page sends the
// names of the files (relative to this script); it fetches them all at once
// and answers for each with { name, data } (an ArrayBuffer, handed over), or with
// { name, text } for a .js file; while quon.wasm comes in it reports
// { name, loaded, total } about ten times a second (total: the size the
// server gave, 0 when it gave none or compressed the file). A failure ends
// it with { name, error }.
'use strict';

async function fetchOne(name) {
  let response;
  try {
    response = await fetch(name);
  } catch (e) {
    throw new Error(name + ': ' + e.message);
  }
  if (!response.ok) throw new Error(name + ': HTTP ' + response.status);
  if (name.endsWith('.js')) return { name: name, text: await response.text() };
  const total = response.headers.get('Content-Encoding') ? 0
                : Number(response.headers.get('Content-Length')) || 0;
  const parts = [];
  let loaded = 0, said = 0;
  const reader = response.body.getReader();
  for (;;) {
    let chunk;
    try {
      chunk = await reader.read();
    } catch (e) {
      throw new Error(name + ': ' + e.message);
    }
    if (chunk.done) break;
    parts.push(chunk.value);
    loaded += chunk.value.length;
    if (Date.now() - said >= 100) {
      said = Date.now();
      postMessage({ name: name, loaded: loaded, total: total });
    }
  }
  const data = new Uint8Array(loaded);
  let at = 0;
  for (const p of parts) {
    data.set(p, at);
    at += p.length;
  }
  postMessage({ name: name, loaded: loaded, total: total });
  return { name: name, data: data.buffer };
}

onmessage = (event) => {
  for (const name of event.data) {
    fetchOne(name).then((got) => postMessage(got, got.data ? [got.data] : []),
                        (e) => postMessage({ name: name, error: e.message }));
  }
};
