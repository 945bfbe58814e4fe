eccrypt signature 1
untrusted comment: signature by eccrypt key 94FA8A26E6B2B5D5
digest: sha256/20
key id: 94FA8A26E6B2B5D5
trusted comment: stored sample
signature: lBXLpY2qZXfIMW51sPoWS7gaRkOv-4uFtRpAK2uG:+HWxNtIRc5-JEZ0-R4buTubmLFvQbozyss8zH12S
