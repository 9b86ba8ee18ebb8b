// A store-only zip archive (no compression) of named byte arrays: the
// outputs are small text files, so a few lines here serve better than a
// library. window.zeltricZip(entries [{name, bytes}], date) -> Uint8Array.
(function () {
  'use strict';
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  function crc32(bytes) {
    let c = 0xffffffff;
    for (let i = 0; i < bytes.length; ++i) c = table[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  }

  function zip(entries, date) {
    const when = date || new Date();
    // MS-DOS time and date, local time, two-second steps.
    const dosTime = (when.getHours() << 11) | (when.getMinutes() << 5) | (when.getSeconds() >> 1);
    const dosDate = (Math.max(when.getFullYear() - 1980, 0) << 9) | ((when.getMonth() + 1) << 5) | when.getDate();
    const encoder = new TextEncoder();
    const parts = [];
    const central = [];
    let offset = 0;
    for (const entry of entries) {
      const name = encoder.encode(entry.name);
      const bytes = entry.bytes;
      const crc = crc32(bytes);
      const local = new DataView(new ArrayBuffer(30));
      local.setUint32(0, 0x04034b50, true);
      local.setUint16(4, 20, true); // version needed
      local.setUint16(6, 0x0800, true); // names are UTF-8
      local.setUint16(8, 0, true); // stored
      local.setUint16(10, dosTime, true);
      local.setUint16(12, dosDate, true);
      local.setUint32(14, crc, true);
      local.setUint32(18, bytes.length, true);
      local.setUint32(22, bytes.length, true);
      local.setUint16(26, name.length, true);
      local.setUint16(28, 0, true);
      parts.push(new Uint8Array(local.buffer), name, bytes);
      const entryHeader = new DataView(new ArrayBuffer(46));
      entryHeader.setUint32(0, 0x02014b50, true);
      entryHeader.setUint16(4, 20, true);
      entryHeader.setUint16(6, 20, true);
      entryHeader.setUint16(8, 0x0800, true);
      entryHeader.setUint16(10, 0, true);
      entryHeader.setUint16(12, dosTime, true);
      entryHeader.setUint16(14, dosDate, true);
      entryHeader.setUint32(16, crc, true);
      entryHeader.setUint32(20, bytes.length, true);
      entryHeader.setUint32(24, bytes.length, true);
      entryHeader.setUint16(28, name.length, true);
      entryHeader.setUint32(42, offset, true);
      central.push(new Uint8Array(entryHeader.buffer), name);
      offset += 30 + name.length + bytes.length;
    }
    const centralSize = central.reduce((sum, part) => sum + part.length, 0);
    const end = new DataView(new ArrayBuffer(22));
    end.setUint32(0, 0x06054b50, true);
    end.setUint16(8, entries.length, true);
    end.setUint16(10, entries.length, true);
    end.setUint32(12, centralSize, true);
    end.setUint32(16, offset, true);
    const all = [...parts, ...central, new Uint8Array(end.buffer)];
    const out = new Uint8Array(all.reduce((sum, part) => sum + part.length, 0));
    let at = 0;
    for (const part of all) {
      out.set(part, at);
      at += part.length;
    }
    return out;
  }

  window.zeltricZip = zip;
})();
