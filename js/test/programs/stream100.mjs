// Seals 100 MB through sealStream and opens it through openStream, piece by piece, checking
// every byte, and prints how much the process's memory grew meanwhile (MiB of resident set).
import * as eccrypt from "../../index.mjs";

const size = Number(process.argv[2]);
await eccrypt.ready();
const pair = eccrypt.KeyPair.generate();
const piece = new Uint8Array(65536).fill(0x5a);
let left = size;
const source = new ReadableStream({
  pull(controller) {
    if (left === 0) return controller.close();
    const n = Math.min(left, piece.length);
    controller.enqueue(piece.slice(0, n));
    left -= n;
  },
});
const before = process.memoryUsage().rss;
let count = 0;
let same = true;
for await (const part of source.pipeThrough(eccrypt.sealStream(pair.publicKey)).pipeThrough(eccrypt.openStream(pair))) {
  count += part.length;
  same = same && part.every((b) => b === 0x5a);
}
const growth = (process.memoryUsage().rss - before) / (1 << 20);
console.log(JSON.stringify({ count, same, growth }));
