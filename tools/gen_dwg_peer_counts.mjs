// Makes tests/dwg/DwgPeerCounts.txt: the model-space entities of every DWG of
// the test data as libredwg-web (the npm package @mlightcad/libredwg-web)
// reads them, per DXF type name. Run by hand with the package installed in a
// scratch folder outside the repository:
//   mkdir -p /tmp/peer && (cd /tmp/peer && npm install @mlightcad/libredwg-web)
//   NODE_PATH=/tmp/peer/node_modules node tools/gen_dwg_peer_counts.mjs \
//       ../shared/testdata/dwg > tests/dwg/DwgPeerCounts.txt
// A file the peer cannot open is listed with "unread"; a type it reads only
// as an unknown object is listed as such and not compared.
import fs from 'fs';
import path from 'path';
import { pathToFileURL } from 'url';

const modules = process.env.NODE_PATH || path.join(process.cwd(), 'node_modules');
const { Dwg_File_Type, LibreDwg } =
    await import(pathToFileURL(path.join(modules, '@mlightcad/libredwg-web/dist/libredwg-web.js')).href);

// The DXF name of a type as the peer names it.
function dxfName(type) {
  if (type.startsWith('DIMENSION')) return 'DIMENSION';
  if (type.startsWith('POLYLINE')) return 'POLYLINE';
  if (type === 'MINSERT') return 'INSERT';
  if (type === 'LWPLINE') return 'LWPOLYLINE';
  return type;
}

// The entities of model space: the owned list of its block record, or for
// the R11/R12 layout, where the peer keeps no such list, the converted
// entities whose owner is the model-space record.
function modelSpaceTypes(data) {
  const types = [];
  for (const obj of libredwg.dwg_getall_entities_in_model_space(data)) {
    let type = wasm.dwg_object_get_dxfname(obj) || wasm.dwg_object_get_name(obj);
    if (type === 'UNKNOWN_ENT') type = 'UNKNOWN_ENT:' + (wasm.dwg_object_get_name(obj) || '');
    if (type) types.push(type);
  }
  if (types.length) return types;
  const db = libredwg.convert(data);
  const model = (db.tables?.BLOCK_RECORD?.entries || []).find((b) => /^\*model_space$/i.test(b.name));
  for (const entity of db.entities) {
    if (model && entity.ownerBlockRecordSoftId === model.handle) types.push(entity.type);
  }
  return types;
}

const folder = process.argv[2];
const libredwg = await LibreDwg.create();
const wasm = libredwg.wasmInstance;
console.log('# Model-space entities per DXF type as libredwg-web ' +
            '(@mlightcad/libredwg-web) reads them; made by tools/gen_dwg_peer_counts.mjs.');
console.log('# file type count; "unread" when the peer cannot open the file; UNKNOWN_ENT:name');
console.log('# for entities the peer reads without decoding (not compared).');
for (const name of fs.readdirSync(folder).filter((f) => /\.dwg$/i.test(f)).sort()) {
  if (name.startsWith('bad_')) continue;
  const bytes = fs.readFileSync(path.join(folder, name));
  let data = null;
  try {
    data = libredwg.dwg_read_data(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length),
                                  Dwg_File_Type.DWG);
  } catch (e) {
    data = null;
  }
  if (!data) {
    console.log(`${name} unread 0`);
    continue;
  }
  const counts = {};
  for (const type of modelSpaceTypes(data).map(dxfName)) counts[type] = (counts[type] || 0) + 1;
  if (!Object.keys(counts).length) counts.unread = 0;
  for (const type of Object.keys(counts).sort()) console.log(`${name} ${type} ${counts[type]}`);
  libredwg.dwg_free(data);
}
