// Prints the world position of every joint and End Site of a BVH file at
// every frame, as three.js's BVHLoader reads the file: one line
// "frame name x y z" per joint and frame, frames from 0. An End Site, which
// the loader keeps as a bone named ENDSITE, is named after its joint:
// "Joint/EndSite0", "Joint/EndSite1", ... in file order.
//
// usage: node bvh-world-positions.mjs <three.js package folder> <file.bvh>
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const [threeDir, bvhPath] = process.argv.slice(2);
const { KeyframeTrack } = await import(pathToFileURL(join(threeDir, 'build/three.module.js')).href);
const { BVHLoader } = await import(
    pathToFileURL(join(threeDir, 'examples/jsm/loaders/BVHLoader.js')).href);

// The loader's keys in doubles, as it computes them, rather than rounded to
// single precision: positions then agree to the digits the files give.
KeyframeTrack.prototype.ValueBufferType = Float64Array;
const { skeleton, clip } = new BVHLoader().parse(readFileSync(bvhPath, 'utf8'));
const byName = new Map(skeleton.bones.map((bone) => [bone.name, bone]));
const names = new Map();
for (const bone of skeleton.bones) {
    if (bone.name !== 'ENDSITE') continue;
    const sites = bone.parent.children.filter((child) => child.name === 'ENDSITE');
    names.set(bone, `${bone.parent.name}/EndSite${sites.indexOf(bone)}`);
}
// Each track holds one key per frame, so frame f's values are read straight
// from it instead of sampling between keys.
const tracks = clip.tracks.map((track) => {
    const [name, property] = track.name.split('.');
    return { bone: byName.get(name), property, values: track.values, times: track.times };
});
const frames = tracks.length > 0 ? tracks[0].times.length : 0;
const root = skeleton.bones[0];
const out = [];
for (let f = 0; f < frames; ++f) {
    for (const { bone, property, values } of tracks) {
        if (property === 'position') bone.position.fromArray(values, f * 3);
        else bone.quaternion.fromArray(values, f * 4);
    }
    root.updateMatrixWorld(true);
    for (const bone of skeleton.bones) {
        const p = bone.getWorldPosition(bone.position.clone());
        out.push(`${f} ${names.get(bone) ?? bone.name} ${p.x} ${p.y} ${p.z}`);
    }
}
process.stdout.write(out.join('\n') + '\n');
